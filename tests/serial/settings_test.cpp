// The settings store and the COM port names.

#include "serial/com_names.h"
#include "serial/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace dalvex;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct SettingsFixture : ::testing::Test {
    QTemporaryDir home;
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    }
    void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }
    QString file() const { return home.path() + "/GSM/Dalvex.conf"; }
};

} // namespace

TEST_F(SettingsFixture, MissingKeyReadsEmptyAndWriteCreatesIt) {
    EXPECT_EQ(settingsFile(kKey), file());
    EXPECT_EQ(ReadSetting(kKey, "comport"), "");
    EXPECT_FALSE(QFile::exists(file())) << "reading must not create the store";

    WriteSetting(kKey, "Device", "0");
    EXPECT_TRUE(QFile::exists(file()));
    EXPECT_EQ(ReadSetting(kKey, "Device"), "0");
    EXPECT_EQ(ReadSetting(kKey, "Language"), "");
}

TEST_F(SettingsFixture, ValuesRoundTripExactlyAsStrings) {
    // Values with the characters INI files treat specially must come back unchanged.
    const QString values[] = {"\\\\.\\COM12", "COM9",     "*Telgor, Kft.", "@Variant(x)",
                              "a;b=c",        "Ügyfél ő", " lead",         "7302518"};
    for (const QString& v : values) {
        WriteSetting(kKey, "company", v);
        EXPECT_EQ(ReadSetting(kKey, "company"), v);
    }
    // A fresh read sees what another writer stored: nothing is cached.
    WriteSetting(kKey, "Language", "3");
    WriteSetting(kKey, "Language", "7");
    EXPECT_EQ(ReadSetting(kKey, "Language"), "7");
}

TEST_F(SettingsFixture, GarbageOrForeignValuesReadAsMissing) {
    QDir().mkpath(home.path() + "/GSM");
    QFile f(file());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x01\x02\xff[[[ garbage\nLanguage=a, b\n=\n\xfe\xfe\n");
    f.close();
    EXPECT_EQ(ReadSetting(kKey, "comport"), "");
    EXPECT_EQ(ReadSetting(kKey, "Language"), "") << "a list is not a string value";
    WriteSetting(kKey, "comport", "COM4");
    EXPECT_EQ(ReadSetting(kKey, "comport"), "COM4");
}

TEST_F(SettingsFixture, UnwritableStoreIsASilentNoOp) {
    if (geteuid() == 0) {
        // Root writes through permissions; a file in place of the folder blocks it for everyone.
        QFile blocker(home.path() + "/GSM");
        ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
        blocker.close();
    } else {
        chmod(home.path().toLocal8Bit().constData(), 0500);
    }
    WriteSetting(kKey, "comport", "COM4");
    EXPECT_EQ(ReadSetting(kKey, "comport"), "");
    chmod(home.path().toLocal8Bit().constData(), 0700);
}

TEST(ComNames, NamingRuleAndDisplay) {
    struct Case {
        int n;
        const char* stored;
        const char* shown;
    };
    for (const Case& c : {Case{1, "COM1", "COM1"}, Case{9, "COM9", "COM9"}, Case{10, "\\\\.\\COM10", "COM10"},
                          Case{12, "\\\\.\\COM12", "COM12"}, Case{512, "\\\\.\\COM512", "COM512"}}) {
        EXPECT_EQ(comPortName(c.n), c.stored);
        EXPECT_EQ(comDisplayName(comPortName(c.n)), c.shown);
        EXPECT_EQ(comPortNumber(comPortName(c.n)), c.n);
    }
}

TEST(ComNames, ParsingAcceptsTheUsualFormsOnly) {
    struct Case {
        const char* name;
        std::optional<int> n;
    };
    for (const Case& c : {Case{"COM3", 3}, Case{"com3", 3}, Case{"COM3:", 3}, Case{"\\\\.\\COM12", 12},
                          Case{"\\\\.\\com64:", 64}, Case{"COM", {}}, Case{"COM0", {}}, Case{"COM1x", {}},
                          Case{"LPT1", {}}, Case{"", {}}, Case{"COM-1", {}}, Case{"COM99999999", {}}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(comPortNumber(c.name), c.n);
    }
}

TEST(ComNames, LinksWinOverTheDefaultTable) {
    QTemporaryDir ports;
    setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
    EXPECT_EQ(portsFolder(), ports.path().toStdString());
    symlink("/dev/null", (ports.path() + "/COM2").toLocal8Bit().constData()); // any case
    struct Case {
        const char* name;
        std::optional<std::string> device;
    };
    const std::string com2 = ports.path().toStdString() + "/COM2";
    for (const Case& c : {Case{"COM2", com2}, Case{"\\\\.\\com2", com2}, Case{"COM1", "/dev/ttyUSB0"},
                          Case{"COM16", "/dev/ttyUSB15"}, Case{"COM17", "/dev/ttyACM0"},
                          Case{"\\\\.\\COM33", "/dev/ttyS0"}, Case{"COM64", "/dev/ttyS31"}, Case{"COM65", {}},
                          Case{"/dev/ttyX9", "/dev/ttyX9"}, Case{"printer", {}}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(resolveComDevice(c.name), c.device);
    }
    unsetenv("DALVEX_PORTS");

    setenv("XDG_CONFIG_HOME", "/tmp/xdg-test", 1);
    EXPECT_EQ(portsFolder(), "/tmp/xdg-test/GSM/Dalvex/ports");
    unsetenv("XDG_CONFIG_HOME");
}
