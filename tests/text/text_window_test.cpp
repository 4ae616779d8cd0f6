// The K6 window's file menu: the configuration sheet as a PDF file and on a printer, and the
// configuration exported and imported as text, with the dialogs answered by the test.

#include "k6config/config_file.h"
#include "k6config/page_values.h"
#include "k6link/engine.h"
#include "k6text/config_json.h"
#include "serial/settings.h"
#include "ui/config_window.h"
#include "ui/forms.h"
#include "ui/k6_file_commands.h"
#include "ui/k6_text_side.h"

#include <QAction>
#include <QFile>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dalvex;

namespace {

QString Preset(int type) {
    return QStringLiteral(DALVEX_SOURCE_DIR "/sim/presets/demo-%1.dat").arg(type);
}

QString PdfText(const QString& pdf) {
    QProcess p;
    p.start(QStandardPaths::findExecutable("pdftotext"), {"-layout", pdf, "-"});
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
}

struct TextWindow : ::testing::Test {
    QTemporaryDir home, files;
    std::vector<QString> shown;
    QString nextFile;
    ConfigWindow* w = nullptr;

    void SetUp() override {
        setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
        setenv("DALVEX_PORTS", home.path().toLocal8Bit().constData(), 1);
        WriteSetting(QStringLiteral("\\software\\GSM\\Dalvex"), QStringLiteral("Language"), QStringLiteral("0"));
        ConfigWindow::MessageBoxHook = [this](const QString& text, QMessageBox::StandardButtons) {
            shown.push_back(text);
            return QMessageBox::Ok;
        };
        K6FileCommands::FileDialogHook = [this](bool, const QString&, const QStringList&, const QString&, int&) {
            return nextFile;
        };
        CreateForms();
        w = configWindow;
        w->EnsurePages();
        w->ModuleCode = 74;
        w->Engine().SetModuleType(74);
        w->Engine().Version = 84;
        ASSERT_TRUE(w->Files->OpenFile(Preset(74)));
    }
    void TearDown() override {
        DestroyForms();
        ConfigWindow::MessageBoxHook = nullptr;
        K6FileCommands::FileDialogHook = nullptr;
        K6TextSide::SheetDialogHook = nullptr;
        K6TextSide::PrintDialogHook = nullptr;
        unsetenv("DALVEX_PORTS");
        unsetenv("XDG_CONFIG_HOME");
    }
    void trigger(const char* item) {
        QAction* a = w->MenuItem(QString::fromLatin1(item));
        ASSERT_NE(a, nullptr) << item;
        ASSERT_TRUE(a->isEnabled());
        a->trigger();
    }
};

TEST_F(TextWindow, SheetGoesToAFileAndToThePrinterWithSecretsMasked) {
    bool secrets = false;
    K6TextSide::SheetDialogHook = [&](K6TextSide::SheetChoice& c) {
        c.secrets = secrets;
        return true;
    };
    const QString code = w->Values->text("Edit1");
    for (const bool withSecrets : {false, true}) {
        secrets = withSecrets;
        nextFile = files.filePath(QStringLiteral("sheet-%1.pdf").arg(withSecrets));
        trigger("KonfiguraciosLap1");
        const QString text = PdfText(nextFile);
        for (const char* caption : {"Konfigurációs lap", "Alapadatok", "Telefonszámok", "Kimenet", "Bekötési rajz"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(caption))) << caption;
        EXPECT_EQ(text.contains(code), withSecrets);
    }
    const QString printed = files.filePath("printed.pdf");
    K6TextSide::PrintDialogHook = [&](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printed);
        return true;
    };
    secrets = false;
    trigger("Nyomtatas1");
    EXPECT_TRUE(PdfText(printed).contains(QStringLiteral("Telefonszám 1")));
    EXPECT_TRUE(shown.empty());
}

TEST_F(TextWindow, ExportThenImportBringsThePagesBack) {
    // The text of the pages is that of the file the window saves.
    nextFile = files.filePath("saved.dat");
    w->SaveFileClick();
    nextFile = files.filePath("pages.json");
    trigger("Exportalas1");
    QFile json(nextFile);
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const auto doc = k6text::ImportJson(json.readAll(), 1, nullptr);
    ASSERT_TRUE(doc);
    QFile saved(files.filePath("saved.dat"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(k6text::DocumentFileData(*doc), saved.readAll());
    EXPECT_EQ(doc->moduleType, 74);

    const QString phone = w->Values->text("MaskEdit1");
    w->Values->setText("MaskEdit1", "+3611111111");
    w->LocalValues->setText("Edit2", "Más");
    trigger("Importalas1");
    EXPECT_EQ(w->Values->text("MaskEdit1"), phone);
    EXPECT_EQ(w->LocalValues->text("Edit2"), "Kovacs Kft.");

    // A broken text is refused in the window's language, and the pages stay as they are.
    QFile broken(files.filePath("broken.json"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("{\"format\": \"dalvex-configuration\", \"formatVersion\": 1, \"brand\": \"x\", \"customer\": 5}");
    broken.close();
    nextFile = broken.fileName();
    trigger("Importalas1");
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_TRUE(shown[0].contains("customer: objekt kell ide")) << shown[0].toStdString();
    EXPECT_EQ(w->Values->text("MaskEdit1"), phone);
}

} // namespace
