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
#include "ui/k6_file_commands.h"
#include "ui/k6_send_switch.h"
#include "ui/start_window.h"
#include "ui/config_window.h"

#include <QAction>
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
        Form1->Search.PortReleased = true;
        K6Form1->EnsurePages();
        K6Form1->Engine().Version = 84;
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
    k6link::Engine& engine() { return K6Form1->Engine(); }
    bool runToIdle() {
        return test::TickWindowUntil(
            module, *K6Form1, [&] { return engine().OpState == 0; }, 2000);
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
        k6config::ImageContext context = K6Form1->CodecContext();
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
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runToIdle());
    const QString phone = K6Form1->Values->text("MaskEdit1");
    auto list = k6config::ListBackups(folder(), K6Form1->ProModelName);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].path, K6Form1->Backups->LastBackup);
    EXPECT_TRUE(QFileInfo(list[0].path).fileName().startsWith(QStringLiteral("Telgor-GSM_v8.4_")));

    K6Form1->Values->setText("MaskEdit1", QStringLiteral("36709998877"));
    K6BackupSide::RestoreHook = [](const QStringList& lines) { return lines.size() == 1 ? 0 : -1; };
    K6Form1->Backups->RestoreClick();
    K6BackupSide::RestoreHook = nullptr;
    EXPECT_EQ(K6Form1->Values->text("MaskEdit1"), phone);
}

TEST_F(BackupSideTest, SendAfterAnEditShowsThatChangeAndSendsOnlyWhenConfirmed) {
    programModule();
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runToIdle());
    K6Form1->Values->setText("MaskEdit2", QStringLiteral("36301234567"));

    answer = false;
    const auto before = blockWrites();
    K6Form1->BitBtn1Click();
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
    K6Form1->BitBtn1Click();
    ASSERT_EQ(confirmations.size(), 2u);
    ASSERT_TRUE(runToIdle());
    module.withModule([](sim::ModuleSim& m) { EXPECT_EQ(m.memory()[0x110 + 3], '0'); });
}

// The list of changes says how the send will go: by what changed (how many blocks at most and how
// long at the line speed), or whole and why. "Csak a változások elküldése" switches it; a file
// opened since the read makes it whole.
TEST_F(BackupSideTest, TheListOfChangesSaysHowMuchGoesAndTheSwitchAndAFileMakeItWhole) {
    programModule();
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runToIdle());
    QAction* item = K6Form1->SendSwitch->Item;
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    EXPECT_TRUE(item->isChecked()) << "on unless switched off";
    const QString saved = home.path() + QStringLiteral("/other.dat");
    k6config::CustomerFields fields;
    ASSERT_TRUE(k6config::SaveConfigFile(saved, engine().ConfigImage, fields));
    // The first send writes what the window's pages encode otherwise than the module holds it, and
    // learns the block of bank 0x35 that no read brings in.
    K6Form1->BitBtn1Click();
    ASSERT_TRUE(runToIdle());
    ASSERT_EQ(K6Form1->Transfer().LastSend().whole, k6link::WholeReason::None);

    struct Step {
        const char* name;
        std::function<void()> before;
        QString plan; // the list's line, or its start when it ends with "..."
        k6link::WholeReason whole;
    };
    const std::vector<Step> steps = {
        {"by what changed", [] {},
         QStringLiteral("Csak a változások mennek el. Elküldendő blokkok: 1, legfeljebb 0.6 s (9600 baud), "
                        "visszaolvasással együtt."),
         k6link::WholeReason::None},
        {"switched off", [&] { item->trigger(); },
         QStringLiteral("Teljes küldés (a „Csak a változások elküldése” beállítás ki van kapcsolva). "
                        "Elküldendő blokkok: 11, kb. 3.0 s (9600 baud)."),
         k6link::WholeReason::SwitchedOff},
        {"switched on after a whole send", [&] { item->trigger(); },
         QStringLiteral("Teljes küldés (nincs ellenőrzött olvasás ebből a modulból)..."),
         k6link::WholeReason::NoRead},
        {"read again, then a file opened",
         [&] {
             K6Form1->BitBtn2Click();
             ASSERT_TRUE(runToIdle());
             ASSERT_TRUE(K6Form1->Files->OpenFile(saved));
         },
         QStringLiteral("Teljes küldés (fájl lett megnyitva az olvasás óta)..."),
         k6link::WholeReason::FileOpened},
    };
    int n = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.before();
        EXPECT_EQ(SendChangedSwitch::On(K6Form1->RegKey), item->isChecked()) << "the item is the setting";
        K6Form1->Values->setText("MaskEdit2", QStringLiteral("3630123456%1").arg(n++));
        K6Form1->BitBtn1Click();
        const QString& line = K6Form1->Backups->PlanLine;
        if (step.plan.endsWith(QLatin1String("...")))
            EXPECT_TRUE(line.startsWith(step.plan.chopped(3))) << line.toStdString();
        else
            EXPECT_EQ(line.toStdString(), step.plan.toStdString());
        ASSERT_TRUE(runToIdle());
        EXPECT_EQ(K6Form1->Transfer().LastSend().whole, step.whole);
        module.withModule([&](sim::ModuleSim& m) { EXPECT_EQ(m.memory()[0x110 + 10], '0' + n - 1); });
    }
}

TEST_F(BackupSideTest, UnwritableFolderLeavesTheReadSuccessfulAndSaysSo) {
    QFile blocker(home.path() + QStringLiteral("/plain"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    WriteSetting(K6Form1->RegKey, QString::fromLatin1(K6BackupSide::kFolderSetting),
                 blocker.fileName() + QStringLiteral("/b"));
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runToIdle());
    const QString status = K6Form1->StatusPanel(3);
    EXPECT_TRUE(status.startsWith(K6Form1->Transfer().Texts.ReadDone)) << status.toStdString();
    EXPECT_TRUE(status.contains(K6Form1->Backups->Texts.SaveFailed)) << status.toStdString();
    EXPECT_TRUE(K6Form1->Backups->LastBackup.isEmpty());
}

} // namespace

// A door phone read in the windows leaves a backup under the door phone's own name, which
// dalvex-cli sends to a door phone and refuses for another model (unless forced).
TEST_F(BackupSideTest, DoorPhoneBackupGoesToADoorPhoneOnlyThroughTheCli) {
    module.withModule([](sim::ModuleSim& m) { m.setTypeCode(75); });
    programModule();
    Form1->Search.ModuleCode = 75;
    Form1->ablakSTARTTimer(); // the hand-over to the door-phone window
    ASSERT_EQ(K6Form1->ModuleCode, 75);
    ASSERT_EQ(engine().ModuleType, 72) << "served as the main model";
    K6Form1->BitBtn2Click();
    ASSERT_TRUE(runToIdle());
    const QString backup = K6Form1->Backups->LastBackup;
    ASSERT_TRUE(QFileInfo(backup).fileName().startsWith(QStringLiteral("Portun-GSM_v8.4_"))) << backup.toStdString();
    // The window lets go of the port before dalvex-cli takes it.
    for (int i = 0; i < 200 && engine().PortOpen; ++i)
        K6Form1->adasTimer();
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
