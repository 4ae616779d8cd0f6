// The simulator's presets: the demo module carries its configuration file's bytes, the empty one
// is fresh memory, and the program takes --preset like its other options.

#include "k6config/config_file.h"
#include "k6config/image_diff.h"
#include "pc_port.h"
#include "sim/gsm_modem.h"
#include "sim/presets.h"
#include "startup/six_byte_frame.h"

#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

using dalvex::sim::Preset;
using dalvex::sim::test::Bytes;
using dalvex::sim::test::PcPort;

// The configuration file as committed, read independently of the resource the simulator carries.
dalvex::k6config::ConfigImage sourceImage(int type) {
    dalvex::k6config::ConfigImage image;
    dalvex::k6config::CustomerFields fields;
    const QString path = QStringLiteral(DALVEX_PRESET_FOLDER "/demo-%1.dat").arg(type);
    EXPECT_TRUE(dalvex::k6config::OpenConfigFile(path, image, fields)) << path.toStdString();
    return image;
}

TEST(SimPreset, DemoLoadsTheConfigurationOfItsTypeAndEmptyLeavesMemoryZero) {
    for (int type : {72, 73, 74, 75}) {
        SCOPED_TRACE(type);
        const dalvex::k6config::ConfigImage image = sourceImage(type);
        dalvex::sim::ModuleSim demo;
        demo.setTypeCode(static_cast<std::uint8_t>(type));
        std::string error;
        ASSERT_TRUE(dalvex::sim::applyPreset(demo, Preset::Demo, &error)) << error;
        dalvex::sim::ModuleSim empty;
        ASSERT_TRUE(dalvex::sim::applyPreset(empty, Preset::Empty, &error));
        for (const dalvex::k6config::ImageArea& a : dalvex::k6config::kSentAreas) {
            const auto expected = image.block(a.first, a.end - a.first);
            const auto got = std::span(demo.memory()).subspan(a.first, a.end - a.first);
            EXPECT_TRUE(std::equal(expected.begin(), expected.end(), got.begin(), got.end())) << a.first;
            EXPECT_TRUE(std::ranges::any_of(got, [](std::uint8_t b) { return b != 0; }))
                << "area " << a.first << " of the demo holds something";
            const auto fresh = std::span(empty.memory()).subspan(a.first, a.end - a.first);
            EXPECT_TRUE(std::ranges::all_of(fresh, [](std::uint8_t b) { return b == 0; })) << a.first;
        }
        EXPECT_GT(demo.modem().usedEntries(), 0);
        EXPECT_EQ(empty.modem().usedEntries(), 0);
    }
    // A type without a file of its own takes the nearest one.
    EXPECT_EQ(dalvex::sim::presetFile(Preset::Demo, 80), dalvex::sim::presetFile(Preset::Demo, 75));
    EXPECT_TRUE(dalvex::sim::presetFile(Preset::Empty, 74).empty());
}

class SimProgramPreset : public ::testing::Test {
protected:
    // Starts the program with `args` on COM5 of a temporary folder; waits for its start line.
    void start(QStringList args) {
        ASSERT_TRUE(tmp_.isValid());
        args << "--com"
             << "5"
             << "--ports" << tmp_.path();
        p_.start(DALVEX_SIM_PROGRAM, args);
        ASSERT_TRUE(p_.waitForStarted(10000));
        QByteArray out;
        while (!out.contains('\n') && p_.waitForReadyRead(10000))
            out += p_.readAllStandardOutput();
        ASSERT_TRUE(out.contains('\n')) << p_.readAllStandardError().toStdString();
    }
    // The 256 bytes of a block read (command 0xF7), without the sum.
    Bytes readBlock(std::uint8_t low, std::uint8_t high) {
        PcPort pc((tmp_.path() + "/com5").toStdString());
        EXPECT_TRUE(pc.isOpen());
        const auto frame = dalvex::SixByteFrame::make(0, 0xF7, low, high);
        EXPECT_TRUE(pc.send(Bytes(frame.bytes.begin(), frame.bytes.end())));
        Bytes reply = pc.read(257);
        EXPECT_EQ(reply.size(), 257u);
        reply.resize(256);
        return reply;
    }
    void TearDown() override {
        p_.terminate();
        p_.waitForFinished(10000);
    }
    QTemporaryDir tmp_;
    QProcess p_;
};

TEST_F(SimProgramPreset, UnknownPresetIsAUsageError) {
    for (const QStringList& args :
         {QStringList{"--preset", "bogus"}, QStringList{"--preset"}, QStringList{"--preset="}}) {
        QProcess p;
        p.start(DALVEX_SIM_PROGRAM, args);
        ASSERT_TRUE(p.waitForFinished(10000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
        EXPECT_TRUE(p.readAllStandardError().contains("empty, demo"));
    }
}

TEST_F(SimProgramPreset, DemoAnswersBlockReadsWithThePresetBytes) {
    start({"--preset", "demo", "--type", "74", "--version", "91"});
    const dalvex::k6config::ConfigImage image = sourceImage(74);
    struct Case {
        std::uint8_t low, high;
        std::uint32_t address;
    };
    for (const Case& c :
         {Case{0, 0, 0}, Case{32, 0, 512}, Case{0, 0x34, 0x340000}, Case{2, 0x35, 0x350200}}) {
        SCOPED_TRACE(c.address);
        const auto expected = image.block(c.address, 256);
        EXPECT_EQ(readBlock(c.low, c.high), Bytes(expected.begin(), expected.end()));
    }
    // The event log and the signal history are there as well.
    EXPECT_NE(readBlock(0, 0x30)[0], 0xFF);
}

TEST_F(SimProgramPreset, ExplicitOptionsWinOverTheDemo) {
    start({"--preset", "demo", "--signal-samples", "0"});
    EXPECT_EQ(readBlock(0, 0x30)[0], 0xFF) << "the signal memory is empty as asked";
    EXPECT_NE(readBlock(0, 0), Bytes(256, 0)) << "the configuration is still the demo's";
}

TEST_F(SimProgramPreset, EmptyIsFreshMemory) {
    start({"--preset", "empty", "--type", "74"});
    EXPECT_EQ(readBlock(0, 0), Bytes(256, 0));
    EXPECT_EQ(readBlock(0, 0x34), Bytes(256, 0));
}

} // namespace
