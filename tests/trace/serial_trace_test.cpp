// The serial trace: what a traced port writes into the file for a real exchange with the
// simulator, how frames are named, rotation, and a trace that cannot be written.

#include "k6link/frame_names.h"
#include "serial/async32.h"
#include "serial/serial_trace.h"
#include "sim/pty_module.h"
#include "startup/six_byte_frame.h"
#include "tests/support/wait.h"

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <string>
#include <vector>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::string Named(SerialTrace::Direction d, std::span<const std::uint8_t> b) {
    return d == SerialTrace::Direction::Out ? k6link::DescribeCommand(b) : k6link::DescribeReply(b);
}

std::vector<std::uint8_t> Frame(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    const auto f = SixByteFrame::make(b0, b1, b2, b3);
    return {f.bytes.begin(), f.bytes.end()};
}

} // namespace

TEST(SerialTrace, RecordsAnExchangeWithTheSimulatorInOrderWithDirectionsAndNames) {
    QTemporaryDir dir;
    setenv("DALVEX_PORTS", dir.path().toLocal8Bit().constData(), 1);
    sim::PtyModule module;
    ASSERT_TRUE(module.start() && module.linkAs(dir.path().toStdString(), 2));

    auto trace = std::make_shared<SerialTrace>();
    trace->SetNamer(Named);
    const std::filesystem::path file = std::filesystem::path(dir.path().toStdString()) / "t" / "a.trace";
    ASSERT_TRUE(trace->Start(file)) << trace->error();

    TAsynComm32 port;
    port.SetTrace(trace);
    port.SetDeviceName("COM2");
    std::vector<std::uint8_t> got;
    port.OnRxChar = [&](TCustomAsynComm32* s, int count) {
        std::vector<std::uint8_t> chunk(static_cast<std::size_t>(count));
        chunk.resize(static_cast<std::size_t>(s->Read(chunk.data(), count)));
        got.insert(got.end(), chunk.begin(), chunk.end());
    };
    port.Open();
    ASSERT_TRUE(port.IsOpen());
    const auto query = Frame(0, 0, 0xFE, 0);
    port.Write(query.data(), 6);
    ASSERT_TRUE(waitFor([&] { return got.size() == 6; }));
    port.SetBaudRate(cbr4800);
    port.Close();
    trace->Flush();

    const auto lines = Lines(file);
    ASSERT_GE(lines.size(), 5u);
    EXPECT_NE(lines[0].find("* open COM2 ("), std::string::npos) << lines[0];
    EXPECT_NE(lines[0].find("9600 8N1"), std::string::npos) << lines[0];
    EXPECT_NE(lines[1].find(" > 00 00 FE 00 02 FD "), std::string::npos) << lines[1];
    EXPECT_NE(lines[1].find("version query"), std::string::npos) << lines[1];
    // The reply may arrive in pieces; together the '<' lines hold the six reply bytes.
    std::string in;
    std::size_t i = 2;
    for (; i < lines.size() && lines[i].find(" < ") != std::string::npos; ++i)
        in += lines[i].substr(lines[i].find(" < ") + 3, lines[i].find('|') - lines[i].find(" < ") - 3);
    std::string expected;
    for (std::uint8_t b : got) {
        char h[4];
        std::snprintf(h, sizeof h, "%02X ", b);
        expected += h;
    }
    std::erase(in, ' ');
    std::erase(expected, ' ');
    EXPECT_EQ(in, expected);
    ASSERT_LT(i + 1, lines.size());
    EXPECT_NE(lines[i].find("* line settings 4800 8N1"), std::string::npos) << lines[i];
    EXPECT_NE(lines[i + 1].find("* close"), std::string::npos) << lines[i + 1];

    EXPECT_EQ(std::filesystem::status(file.parent_path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    EXPECT_EQ(std::filesystem::status(file).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    module.stop();
    unsetenv("DALVEX_PORTS");
}

TEST(SerialTrace, FramesAreNamedAfterTheCommandTable) {
    struct Case {
        std::vector<std::uint8_t> bytes;
        bool out;
        std::string name;
    };
    std::vector<std::uint8_t> blockWrite = Frame(0x12, 0xF6, 0x34, 0x05);
    blockWrite.resize(262, 0);
    std::vector<std::uint8_t> clock = Frame(0, 0xFC, 0, 0);
    for (char c : std::string("261210140322"))
        clock.push_back(static_cast<std::uint8_t>(c));
    std::vector<std::uint8_t> block(257, 1);
    block[256] = 0; // 256 ones sum to 0 modulo 256
    const std::vector<Case> cases = {
        {Frame(0, 0xF7, 0x00, 0x34), true, "block read 0x3400"},
        {blockWrite, true, "block write 0x3405, sum 0x12"},
        {Frame(0, 0, 0xFF, 0), true, "identification probe (byte read 0x00FF)"},
        {Frame(0, 1, 0x4B, 0xBB), true, "byte write 0x004B = 0xBB"},
        {Frame(2, 2, 0x00, 0), true, "status read 0x0200"},
        {Frame(0, 8, 0x04, 0x01), true, "event log block 260"},
        {Frame(0, 0xFA, 0x03, 0x00), true, "memory write from page 0x0300"},
        {Frame(0, 0xFB, 1, 0), true, "monitor on"},
        {clock, true, "clock set 261210140322"},
        {Frame(0, 0xFF, 0xAA, 0), true, "restart"},
        {{'A', 'T', '\r'}, true, ""},
        {{0x00, 0x00, 0xFE, 0x00, 0x02, 0xFE}, true, ""}, // wrong check byte: no frame
        {Frame(0xAB, 0, 0xFE, 0x54), false, "reply: 0x54 at 0xFE"},
        {Frame(0xAB, 0xAC, 0, 0), false, "reply: mode switched"},
        {block, false, "256 data bytes and their sum"},
    };
    for (const Case& c : cases) {
        const std::string name = c.out ? k6link::DescribeCommand(c.bytes) : k6link::DescribeReply(c.bytes);
        EXPECT_EQ(name, c.name);
    }
    EXPECT_EQ(SerialTrace::FormatLine(12.3456, SerialTrace::Direction::In,
                                      std::vector<std::uint8_t>{0x41, 0x00}, "x"),
              "    12.346 < 41 00                                           |A.|  x");
}

TEST(SerialTrace, RotatesAtTheLimitKeepingTwoFiles) {
    QTemporaryDir dir;
    const std::filesystem::path file = std::filesystem::path(dir.path().toStdString()) / "r.trace";
    SerialTrace trace;
    ASSERT_TRUE(trace.Start(file, 1000));
    const std::vector<std::uint8_t> chunk(40, 0x55);
    for (int i = 0; i < 200; ++i)
        trace.Data(SerialTrace::Direction::Out, chunk.data(), chunk.size());
    trace.Flush();
    trace.Stop();
    std::filesystem::path older = file;
    older += ".1";
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_TRUE(std::filesystem::exists(older));
    EXPECT_LE(std::filesystem::file_size(older), 1000u + 300u);
    EXPECT_LE(std::filesystem::file_size(file), 1000u + 300u);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(file.parent_path()))
        ++files;
    EXPECT_EQ(files, 2u);
}

TEST(SerialTrace, UnwritableFolderIsRefusedWithAReasonAndRecordsNothing) {
    QTemporaryDir dir;
    const std::filesystem::path blocker = std::filesystem::path(dir.path().toStdString()) / "plain-file";
    std::ofstream(blocker) << "x";
    SerialTrace trace;
    EXPECT_FALSE(trace.Start(blocker / "trace" / "t.trace"));
    EXPECT_NE(trace.error().find("cannot create the folder"), std::string::npos) << trace.error();
    EXPECT_FALSE(trace.Running());
    trace.Data(SerialTrace::Direction::Out, "ab", 2); // harmless
}

// A trace into a folder that exists (a shared one, /tmp) leaves its permissions alone: only the
// folders the trace makes are private, and the file is. A FIFO is refused, not waited on.
TEST(SerialTrace, LeavesFoldersItDidNotMakeAsTheyAre) {
    namespace fs = std::filesystem;
    QTemporaryDir dir;
    const fs::path shared = fs::path(dir.path().toStdString()) / "shared";
    fs::create_directory(shared);
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
    const auto mode = [](const fs::path& p) { return fs::status(p).permissions() & fs::perms::all; };
    struct Case {
        fs::path file;
        std::vector<fs::path> made; // the folders the trace creates
    };
    for (const Case& c : {Case{shared / "t.trace", {}}, Case{shared / "a" / "b" / "t.trace", {shared / "a", shared / "a" / "b"}}}) {
        SCOPED_TRACE(c.file.string());
        SerialTrace trace;
        ASSERT_TRUE(trace.Start(c.file)) << trace.error();
        trace.Event("x");
        trace.Stop();
        EXPECT_EQ(mode(shared), fs::perms::owner_all | fs::perms::group_all | fs::perms::others_all);
        for (const fs::path& made : c.made)
            EXPECT_EQ(mode(made), fs::perms::owner_all) << made.string();
        EXPECT_EQ(mode(c.file), fs::perms::owner_read | fs::perms::owner_write);
    }
    const fs::path fifo = shared / "fifo.trace";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SerialTrace trace;
    EXPECT_FALSE(trace.Start(fifo));
    EXPECT_NE(trace.error().find("not a regular file"), std::string::npos) << trace.error();
}
