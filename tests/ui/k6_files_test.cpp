// The K6 window's file commands and Contact ID page: save and open through the window, bad files,
// the caller-ID list files, the table loaders, the SMS selection and the "ContactIdSend" option.

#include "k6config/config_file.h"
#include "k6config/page_values.h"
#include "k6link/engine.h"
#include "serial/settings.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/k6_text_side.h"
#include "ui/k6pages/k6pages.h"
#include "ui/config_window.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <deque>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace dalvex;

namespace {

const QString kKey = QStringLiteral("\\software\\GSM\\Dalvex");

struct K6FilesFixture : ::testing::Test {
    QTemporaryDir home;
    QTemporaryDir files;
    std::vector<QString> shown;
    std::deque<QMessageBox::StandardButton> answers;
    QString nextFile;
    int nextFilter = 0;
    ConfigWindow* w = nullptr;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", home.path().toLocal8Bit().constData(), 1);
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons buttons) {
            shown.push_back(text);
            if (buttons == QMessageBox::Ok || answers.empty())
                return buttons == QMessageBox::Ok ? QMessageBox::Ok : QMessageBox::No;
            const auto a = answers.front();
            answers.pop_front();
            return a;
        };
        K6FileCommands::FileDialogHook = [this](bool, const QString&, const QStringList&, const QString&,
                                                int& filter) {
            filter = nextFilter;
            return nextFile;
        };
        CreateForms();
        w = configWindow;
        w->Engine().SetModuleType(74);
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        K6FileCommands::FileDialogHook = nullptr;
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }
    QString file(const char* name) const { return files.filePath(QString::fromLatin1(name)); }
    k6config::PageValues& v() { return *w->Values; }
    k6config::PageValues& local() { return *w->LocalValues; }
};

} // namespace

TEST_F(K6FilesFixture, SaveThenOpenRestoresPagesTablesAndProfiles) {
    v().setText("MaskEdit1", "+36301234567");
    v().setText("Edit10", "apn.example");
    v().setCell("StringGrid2", 3, 0, "01003");
    v().setCell("StringGrid2", 3, 1, "Garázs");
    v().setCell("StringGrid3", 2, 0, "R130");
    v().setCell("StringGrid3", 2, 1, "Vissza");
    v().setEventSmsMask(2, 0x05);
    local().setText("Edit2", "Kovács Ödön");
    nextFile = file("a.dat");
    w->SaveFileClick();
    ASSERT_TRUE(shown.empty()) << shown.front().toStdString();
    EXPECT_EQ(QFile(file("a.dat")).size(), k6config::kConfigFileSize);
    EXPECT_EQ(local().text("Edit3"), " ") << "an empty customer field is saved and shown as a space";

    v().setText("MaskEdit1", "");
    v().setText("Edit10", "");
    v().setCell("StringGrid2", 3, 1, "");
    v().setCell("StringGrid3", 2, 0, "");
    v().setEventSmsMask(2, 0);
    local().setText("Edit2", "");
    w->OpenFileClick();
    ASSERT_TRUE(shown.empty());
    EXPECT_EQ(v().text("MaskEdit1").trimmed(), "+36301234567");
    EXPECT_EQ(v().text("Edit10"), "apn.example");
    EXPECT_EQ(v().cell("StringGrid2", 3, 1), "Garázs");
    EXPECT_EQ(v().cell("StringGrid3", 2, 0), "R130");
    EXPECT_EQ(v().eventSmsMask(2), 0x05);
    EXPECT_EQ(local().text("Edit2"), "Kovács Ödön");
    EXPECT_EQ(local().text("Edit3"), " ");
}

TEST_F(K6FilesFixture, SendAndSaveWriteTheBrandTheCompanySettingNamesNow) {
    // One window throughout: a brand kept from an earlier encoding would show in the next case.
    struct Case {
        const char* company; // "" when missing
        QString brand;
    };
    const Case cases[] = {{"*Acme Alarm", QStringLiteral("Acme Alarm")},
                          {"Acme Alarm", w->ProModelName},
                          {"", w->ProModelName},
                          {"*Kovacs Biztonsag", QStringLiteral("Kovacs Biztonsag")}};
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.company);
        WriteSetting(kKey, "company", c.company);
        QByteArray want = c.brand.toLatin1();
        if (want.size() < 16) want += char(0xFF);
        const auto size = static_cast<std::uint32_t>(want.size());
        auto& image = w->Engine().ConfigImage;
        // What a send (and "PSTN send") puts in the image.
        image.fill(0x180, 16, 0x55);
        w->EncodePagesIntoImage();
        EXPECT_EQ(image.read(0x180, size), want);
        // What "Mentés fájlba" stores.
        image.fill(0x180, 16, 0x55);
        nextFile = files.filePath(QStringLiteral("brand%1.dat").arg(++n));
        w->SaveFileClick();
        ASSERT_TRUE(shown.empty()) << shown.front().toStdString();
        k6config::ConfigImage saved;
        k6config::CustomerFields fields;
        ASSERT_TRUE(k6config::OpenConfigFile(nextFile, saved, fields));
        EXPECT_EQ(saved.read(0x180, size), want);
    }
}

TEST_F(K6FilesFixture, BadFilesEndWithAMessageAndChangeNothing) {
    QFile shortFile(file("short.dat"));
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write(QByteArray(1000, '\x11'));
    shortFile.close();
    // 4 MB that is not a configuration (the size of one), and a FIFO that must not hang the window.
    QFile noise(file("noise.dat"));
    ASSERT_TRUE(noise.open(QIODevice::WriteOnly));
    std::vector<quint32> words(k6config::kConfigFileSize / 4);
    QRandomGenerator(44).fillRange(words.data(), static_cast<qsizetype>(words.size()));
    noise.write(reinterpret_cast<const char*>(words.data()), k6config::kConfigFileSize);
    noise.close();
    ASSERT_EQ(::mkfifo(file("fifo.dat").toLocal8Bit().constData(), 0600), 0);
    v().setText("Edit10", "keep");
    struct Case {
        const char* name;
        const char* says;
    };
    for (const Case& c : {Case{"short.dat", "1792"}, Case{"missing.dat", "nem található"},
                          Case{"noise.dat", "nem konfigurációs fájl és nem konfigurációs szöveg"},
                          Case{"fifo.dat", "Nem közönséges fájl"}}) {
        shown.clear();
        nextFile = file(c.name);
        w->OpenFileClick();
        ASSERT_EQ(shown.size(), 1u) << c.name;
        EXPECT_TRUE(shown[0].contains(QString::fromUtf8(c.says))) << shown[0].toStdString();
        EXPECT_EQ(v().text("Edit10"), "keep");
        EXPECT_EQ(w->Engine().ConfigImage.at(0), 0) << "a refused file leaves the image alone";
    }
    // A file of exactly its first 1792 bytes opens without a message.
    nextFile = file("head.dat");
    w->SaveFileClick();
    QFile head(file("head.dat"));
    ASSERT_TRUE(head.resize(1792));
    shown.clear();
    w->OpenFileClick();
    EXPECT_TRUE(shown.empty());
    // Cancelled dialogs do nothing.
    nextFile.clear();
    w->SaveFileClick();
    w->OpenFileClick();
    EXPECT_TRUE(shown.empty());
}

// "Megnyitás fájlból" knows a configuration text by what it holds and takes it through the import.
TEST_F(K6FilesFixture, OpenTakesAConfigurationTextThroughTheImport) {
    v().setText("MaskEdit1", "+36301234567");
    v().setText("Edit10", "apn.from.text");
    local().setText("Edit2", "Kovács Kft.");
    nextFile = file("site.json");
    w->TextSide->ExportClick();
    v().setText("MaskEdit1", "");
    v().setText("Edit10", "other");
    local().setText("Edit2", "");
    nextFile = file("site.json");
    shown.clear();
    w->OpenFileClick();
    EXPECT_TRUE(shown.empty()) << (shown.empty() ? "" : shown[0].toStdString());
    EXPECT_EQ(v().text("MaskEdit1"), "+36301234567");
    EXPECT_EQ(v().text("Edit10"), "apn.from.text");
    EXPECT_EQ(local().text("Edit2"), "Kovács Kft.");
    EXPECT_TRUE(w->StatusPanel(3).contains(QStringLiteral("site.json")));
}

TEST_F(K6FilesFixture, CallerIdListImportAndExportFollowTheChosenFilter) {
    QFile csv(file("list.txt"));
    ASSERT_TRUE(csv.open(QIODevice::WriteOnly));
    csv.write("+36301111111;Anna\r\n06201234567;B\xe9la\r\n\r\n999;ignored\r\n");
    csv.close();
    nextFile = file("list.txt");
    nextFilter = 0; // CSV, whatever the file is called
    w->Files->LoadCallerIdsClick();
    EXPECT_EQ(local().cell("StringGrid1", 1, 1), "+36301111111");
    EXPECT_EQ(local().cell("StringGrid1", 2, 2), "Béla");
    EXPECT_EQ(local().cell("StringGrid1", 3, 1), "");

    nextFile = file("out.sim");
    nextFilter = 1;
    w->Files->SaveCallerIdsClick();
    QFile sim(file("out.sim"));
    ASSERT_TRUE(sim.open(QIODevice::ReadOnly));
    EXPECT_TRUE(sim.readAll().startsWith("3\r\n+36301111111\r\nAnna\r\n"));

    QFile bad(file("bad.sim"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("x\r\n");
    bad.close();
    nextFile = file("bad.sim");
    w->Files->LoadCallerIdsClick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(local().cell("StringGrid1", 1, 1), "+36301111111") << "a failed import keeps the list";
}

TEST_F(K6FilesFixture, ContactIdTablesThroughThePage) {
    WriteSetting(kKey, "Language", "1");
    w->Pages->Control<QPushButton>("BitBtn16")->click();
    EXPECT_EQ(v().cell("StringGrid3", 46, 0), "E381");
    WriteSetting(kKey, "Language", "0");
    w->Pages->Control<QPushButton>("BitBtn16")->click();
    EXPECT_EQ(v().cell("StringGrid3", 46, 0), "E384");
    w->Pages->Control<QPushButton>("BitBtn17")->click();
    EXPECT_EQ(v().cell("StringGrid2", 21, 0), "?????");

    // Typed codes keep to the grid's rules.
    v().setCell("StringGrid3", 120, 0, "e130");
    EXPECT_EQ(v().cell("StringGrid3", 120, 0), "E130");
    v().setCell("StringGrid2", 120, 1, QString(70, QLatin1Char('n')));
    EXPECT_EQ(v().cell("StringGrid2", 120, 1).size(), 58);

    // The SMS selection of one event, then of all events with a code.
    w->Files->EventRowClick(5);
    v().setMask("SMSst7", 0x02);
    EXPECT_EQ(v().eventSmsMask(5), 0x02);
    w->Files->EventRowClick(6);
    EXPECT_EQ(v().mask("SMSst7"), 0x00);
    w->Files->EventRowClick(5);
    EXPECT_EQ(v().mask("SMSst7"), 0x02);

    v().setEventSmsMask(200, 0x40);
    w->Files->EventRowClick(7);
    v().setMask("SMSst7", 0x05);
    answers = {QMessageBox::No};
    w->Files->AssignToAllEventsClick();
    EXPECT_EQ(v().eventSmsMask(1), 0x00) << "declined: nothing changes";
    answers = {QMessageBox::Yes};
    w->Files->AssignToAllEventsClick();
    EXPECT_EQ(v().eventSmsMask(1), 0x05);
    EXPECT_EQ(v().eventSmsMask(120), 0x05);
    EXPECT_EQ(v().eventSmsMask(200), 0x40) << "rows without a code keep theirs";

    // The question speaks the window's language.
    WriteSetting(kKey, "Language", "2");
    w->Activate();
    shown.clear();
    answers = {QMessageBox::No};
    w->Files->AssignToAllEventsClick();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].startsWith("Die Rufnummern der obigen Liste")) << shown[0].toStdString();
}

TEST_F(K6FilesFixture, ContactIdSendOption) {
    w->Files->ApplyContactIdSetting();
    EXPECT_TRUE(local().checked("CheckBox14")) << "missing counts as ticked";
    EXPECT_EQ(ReadSetting(kKey, "ContactIdSend"), "") << "and nothing is written";
    local().setChecked("CheckBox14", false);
    EXPECT_EQ(ReadSetting(kKey, "ContactIdSend"), "0");
    local().setChecked("CheckBox14", true);
    EXPECT_EQ(ReadSetting(kKey, "ContactIdSend"), "1");
    WriteSetting(kKey, "ContactIdSend", "x");
    w->Files->ApplyContactIdSetting();
    EXPECT_FALSE(local().checked("CheckBox14"));
}

TEST_F(K6FilesFixture, DeveloperMemoryLoad) {
    WriteSetting(kKey, "Language", "1");
    w->Files->MemoryLoadClick();
    EXPECT_EQ(v().text("Edit10"), K6FileCommands::kDeveloperApn);
    EXPECT_EQ(v().text("Edit11"), K6FileCommands::kDeveloperServer);
    EXPECT_EQ(v().cell("StringGrid3", 1, 1), "Burglary");
    EXPECT_EQ(v().cell("StringGrid2", 1, 1), "Zone 1");
}

// "Mentés fájlba" and "Megnyitás fájlból" say what they saved or opened, and the window title names
// the file until a read brings in the module's configuration.
TEST_F(K6FilesFixture, SaveAndOpenSayWhatTheyDidAndTheTitleNamesTheFileUntilARead) {
    const QString plain = w->windowTitle();
    struct Step {
        const char* file;
        bool save;
    };
    for (const Step s : {Step{"saved.dat", true}, Step{"saved.dat", false}, Step{"other.dat", true}}) {
        SCOPED_TRACE(s.file);
        nextFile = file(s.file);
        if (s.save)
            w->SaveFileClick();
        else
            w->OpenFileClick();
        ASSERT_TRUE(shown.empty());
        EXPECT_EQ(w->StatusPanel(3), (s.save ? w->Texts.FileSaved : w->Texts.FileOpened)
                                         .arg(QDir::toNativeSeparators(nextFile)));
        EXPECT_EQ(w->windowTitle(), plain + QStringLiteral(" – ") + QString::fromLatin1(s.file));
    }
    // An activation keeps the file's name; a completed read takes it away.
    w->Activate();
    EXPECT_TRUE(w->windowTitle().endsWith(QStringLiteral(" – other.dat")));
    w->Transfer().OnEnded({k6link::TransferKind::Read, k6link::TransferOutcome::Done, QString()});
    EXPECT_EQ(w->windowTitle(), plain);
}
