// Backups and what-will-change through the K6 window against the simulator: a read leaves one
// backup that opens to the same pages; a send after an edit shows exactly that change and sends only
// when confirmed; a backup folder that cannot be written leaves the read successful.

#include "k6config/backups.h"
#include "k6config/config_codec.h"
#include "k6config/controls.h"
#include "k6config/image_diff.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "serial/settings.h"
#include "sim/pty_module.h"
#include "tests/support/hand_over.h"
#include "tests/support/wait.h"
#include "ui/forms.h"
#include "ui/k6_backup_side.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace dalvex;
using dalvex::test::waitFor;

namespace {

struct BackupSideTest : ::testing::Test {
    QTemporaryDir home, ports, data;
    sim::PtyModule module;
    std::vector<std::vector<K6BackupSide::ShownRow>> confirmations;
    bool answer = true;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("XDG_DATA_HOME", data.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", ports.path().toLocal8Bit().constData(), 1);
        ASSERT_TRUE(module.start() && module.linkAs(ports.path().toStdString(), 1));
        module.withModule([](sim::ModuleSim& m) { m.setTypeCode(72); });
        ConfigWindow::MessageBoxHook = [](const QString&, QMessageBox::StandardButtons) {
            return QMessageBox::Ok;
        };
        K6BackupSide::ConfirmHook = [this](const std::vector<K6BackupSide::ShownRow>& rows) {
            confirmations.push_back(rows);
            return answer;
        };
        test::CreateFormsWithTimersHeld();
        startWindow->Search.PortReleased = true;
        configWindow->EnsurePages();
        configWindow->Engine().Version = 84;
    }
    void TearDown() override {
        DestroyForms();
        K6BackupSide::ConfirmHook = nullptr;
        ConfigWindow::MessageBoxHook = nullptr;
        module.stop();
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_DATA_HOME");
        unsetenv("XDG_CONFIG_HOME");
    }
    k6link::Engine& engine() { return configWindow->Engine(); }
    bool runToIdle() {
        return test::TickWindowUntil(
            module, *configWindow, [&] { return engine().OpState == 0; }, 2000);
    }
    std::uint64_t blockWrites() {
        std::uint64_t n = 0;
        module.withModule([&](sim::ModuleSim& m) { n = m.exchanges(); });
        return n;
    }
    QString folder() { return data.path() + QStringLiteral("/Dalvex/backups"); }
    // A module programmed as a send leaves it: the initial page values with one phone number.
    void programModule() {
        k6config::PageValues values(k6config::K6Controls()), door(k6config::DoorPhoneControls());
        values.setText("MaskEdit1", QStringLiteral("36201112233"));
        k6config::ConfigImage image;
        k6config::ImageContext context = configWindow->CodecContext();
        context.moduleType = 72;
        k6config::EncodeConfigImage(image, values, door, context);
        module.withModule([&](sim::ModuleSim& m) {
            for (const auto& area : k6config::kSentAreas)
                for (std::uint32_t i = area.first; i < area.end; ++i)
                    m.memory()[i] = image.at(i);
        });
    }
};

TEST_F(BackupSideTest, ReadLeavesOneBackupThatOpensToTheSamePages) {
    programModule();
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    const QString phone = configWindow->Values->text("MaskEdit1");
    auto list = k6config::ListBackups(folder(), configWindow->ProModelName);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, configWindow->Backups->LastBackup);
    EXPECT_TRUE(QFileInfo(list[0].path).fileName().startsWith(QStringLiteral("Telgor-GSM_v8.4_")));

    configWindow->Values->setText("MaskEdit1", QStringLiteral("36709998877"));
    K6BackupSide::RestoreHook = [](const QStringList& lines) { return lines.size() == 1 ? 0 : -1; };
    configWindow->Backups->RestoreClick();
    K6BackupSide::RestoreHook = nullptr;
    EXPECT_EQ(configWindow->Values->text("MaskEdit1"), phone);
}

TEST_F(BackupSideTest, SendAfterAnEditShowsThatChangeAndSendsOnlyWhenConfirmed) {
    programModule();
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    configWindow->Values->setText("MaskEdit2", QStringLiteral("36301234567"));

    answer = false;
    const auto before = blockWrites();
    configWindow->SendClick();
    ASSERT_EQ(confirmations.size(), 1u);
    std::string all;
    for (std::size_t i = 0; i < confirmations[0].size() && i < 20; ++i)
        all += (confirmations[0][i].page + " / " + confirmations[0][i].field + ": " +
                confirmations[0][i].before + " -> " + confirmations[0][i].after + "\n")
                   .toStdString();
    ASSERT_EQ(confirmations[0].size(), 1u) << all;
    EXPECT_EQ(confirmations[0][0].after, QStringLiteral("36301234567"));
    EXPECT_EQ(engine().OpState, 0);
    EXPECT_EQ(blockWrites(), before) << "\"Mégse\" sends nothing";

    answer = true;
    configWindow->SendClick();
    ASSERT_EQ(confirmations.size(), 2u);
    ASSERT_TRUE(runToIdle());
    module.withModule([](sim::ModuleSim& m) { EXPECT_EQ(m.memory()[0x110 + 3], '0'); });
}

TEST_F(BackupSideTest, UnwritableFolderLeavesTheReadSuccessfulAndSaysSo) {
    QFile blocker(home.path() + QStringLiteral("/plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WriteSetting(configWindow->RegKey, QString::fromLatin1(K6BackupSide::kFolderSetting),
                 blocker.fileName() + QStringLiteral("/b"));
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    const QString status = configWindow->StatusPanel(3);
    EXPECT_TRUE(status.startsWith(configWindow->Transfer().Texts.ReadDone)) << status.toStdString();
    EXPECT_TRUE(status.contains(configWindow->Backups->Texts.SaveFailed)) << status.toStdString();
    EXPECT_TRUE(configWindow->Backups->LastBackup.isEmpty());
}

} // namespace

// A door phone read in the windows leaves a backup under the door phone's own name, which
// dalvex-cli sends to a door phone and refuses for another model (unless forced).
TEST_F(BackupSideTest, DoorPhoneBackupGoesToADoorPhoneOnlyThroughTheCli) {
    module.withModule([](sim::ModuleSim& m) { m.setTypeCode(75); });
    programModule();
    startWindow->Search.ModuleCode = 75;
    startWindow->HandOverTick(); // the hand-over to the door-phone window
    ASSERT_EQ(configWindow->ModuleCode, 75);
    ASSERT_EQ(engine().ModuleType, 72) << "served as the main model";
    configWindow->ReadClick();
    ASSERT_TRUE(runToIdle());
    const QString backup = configWindow->Backups->LastBackup;
    ASSERT_TRUE(QFileInfo(backup).fileName().startsWith(QStringLiteral("Portun-GSM_v8.4_"))) << backup.toStdString();
    // The window lets go of the port before dalvex-cli takes it.
    for (int i = 0; i < 200 && engine().PortOpen; ++i)
        configWindow->EngineTick();
    ASSERT_FALSE(engine().PortOpen);

    const auto send = [&](int type) {
        module.withModule([&](sim::ModuleSim& m) { m.setTypeCode(static_cast<std::uint8_t>(type)); });
        QProcess p;
        p.start(QStringLiteral(DALVEX_CLI_PROGRAM), {"send", "--port", "COM1", "--quiet", backup});
        EXPECT_TRUE(p.waitForFinished(60000));
        return std::pair{p.exitCode(), QString::fromUtf8(p.readAllStandardError())};
    };
    const auto [same, sameErr] = send(75);
    EXPECT_EQ(same, 0) << sameErr.toStdString();
    const std::uint64_t before = blockWrites();
    const auto [other, otherErr] = send(72);
    EXPECT_EQ(other, 2) << otherErr.toStdString();
    EXPECT_TRUE(otherErr.contains(QStringLiteral("Portun GSM"))) << otherErr.toStdString();
    EXPECT_LE(blockWrites(), before + 2) << "only the identification and version query";
}
