#include "k6_text_side.h"

#include "i18n/catalogue.h"
#include "k6_file_commands.h"
#include "k6config/config_codec.h"
#include "k6config/page_values.h"
#include "k6text/config_json.h"
#include "serial/settings.h"
#include "config_window.h"
#include "on_demand_parts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

namespace dalvex {

std::function<bool(K6TextSide::SheetChoice&)> K6TextSide::SheetDialogHook;
std::function<bool(QPrinter&)> K6TextSide::PrintDialogHook;

K6TextSide::K6TextSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    auto* menu = window.findChild<QMenu*>(QStringLiteral("Ments2"));
    if (!menu) return;
    const auto item = [&](const char* name, void (K6TextSide::*click)()) {
        QAction* a = menu->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, click);
        return a;
    };
    menu->addSeparator();
    SheetItem = item("KonfiguraciosLap1", &K6TextSide::SheetClick);
    PrintItem = item("Nyomtatas1", &K6TextSide::PrintClick);
    ExportItem = item("Exportalas1", &K6TextSide::ExportClick);
    ImportItem = item("Importalas1", &K6TextSide::ImportClick);
    ShowTexts();
}

void K6TextSide::ShowTexts() {
    if (SheetItem) SheetItem->setText(Texts.SheetItem);
    if (PrintItem) PrintItem->setText(Texts.PrintItem);
    if (ExportItem) ExportItem->setText(Texts.ExportItem);
    if (ImportItem) ImportItem->setText(Texts.ImportItem);
}

int K6TextSide::Language() const {
    return i18n::ActivationLanguage(ReadSetting(w_.RegKey, QStringLiteral("Language")));
}

void K6TextSide::Message(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(&w_, w_.windowTitle(), text);
}

QString K6TextSide::AskFile(bool save, const QString& title, const QString& filter, const QString& suffix) {
    int chosen = 0;
    if (K6FileCommands::FileDialogHook) return K6FileCommands::FileDialogHook(save, title, {filter}, suffix, chosen);
    QFileDialog dialog(&w_, title);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilters({filter});
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().front();
}

k6text::SheetContent K6TextSide::Sheet(bool secrets) const {
    k6text::SheetOptions o;
    o.show.language = Language();
    o.show.moduleType = w_.ModuleCode;
    const int version = w_.Engine().Version;
    if (version > 0) {
        o.show.version = version;
        o.version = version;
    }
    o.show.secrets = secrets;
    o.when = QDateTime::currentDateTime();
    o.localValues = true;
    return k6text::BuildSheet(k6text::ValueSet{*w_.Values, *w_.DoorPhoneValues, *w_.LocalValues}, o);
}

bool K6TextSide::AskSheet(SheetChoice& choice) {
    choice.paper = k6sheet::DefaultPaper();
    if (SheetDialogHook) return SheetDialogHook(choice);
    QDialog d(&w_);
    d.setWindowTitle(Texts.SheetTitle);
    auto* layout = new QVBoxLayout(&d);
    auto* secrets = new QCheckBox(Texts.Secrets, &d);
    secrets->setObjectName(QStringLiteral("SheetSecrets"));
    layout->addWidget(secrets);
    auto* form = new QFormLayout;
    auto* paper = new QComboBox(&d);
    paper->setObjectName(QStringLiteral("SheetPaper"));
    paper->addItems({QStringLiteral("A4"), QStringLiteral("Letter")});
    paper->setCurrentIndex(choice.paper == k6sheet::Paper::Letter ? 1 : 0);
    form->addRow(Texts.Paper, paper);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return false;
    choice.secrets = secrets->isChecked();
    choice.paper = paper->currentIndex() == 1 ? k6sheet::Paper::Letter : k6sheet::Paper::A4;
    return true;
}

void K6TextSide::SheetClick() {
    w_.EnsurePages();
    SheetChoice choice;
    if (!AskSheet(choice)) return;
    const QString path = AskFile(true, Texts.SheetTitle, QStringLiteral("PDF (*.pdf)"), QStringLiteral("pdf"));
    if (path.isEmpty()) return;
    if (const auto r = k6sheet::WriteSheetPdf(path, Sheet(choice.secrets), choice.paper); !r)
        Message(Texts.Failed.arg(K6FileCommands::ErrorText(r, path)));
}

void K6TextSide::PrintClick() {
    w_.EnsurePages();
    SheetChoice choice;
    if (!AskSheet(choice)) return;
    // Printing is one of the parts loaded on first use.
    QString error;
    const OnDemandParts* parts = LoadOnDemandParts(&error);
    if (!parts) return Message(Texts.Failed.arg(error));
    bool painted = false;
    QString printer;
    if (!parts->Print(&w_, k6sheet::PageSizeOf(choice.paper), Texts.SheetTitle, PrintDialogHook,
                      [&](QPagedPaintDevice& device) { return k6sheet::PaintSheet(device, Sheet(choice.secrets)); }, &painted,
                      &printer))
        return;
    if (!painted) Message(Texts.Failed.arg(printer));
}

void K6TextSide::ExportClick() {
    w_.EnsurePages();
    const QString path = AskFile(true, Texts.ExportItem, QStringLiteral("JSON (*.json)"), QStringLiteral("json"));
    if (path.isEmpty()) return;
    w_.EncodePagesIntoImage();
    k6text::ConfigDocument doc;
    doc.image = w_.Engine().ConfigImage;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        doc.customer[static_cast<std::size_t>(i)] =
            w_.LocalValues->text(w_.LocalValues->table().at(i).name.toStdString());
    doc.moduleType = w_.ModuleCode;
    if (w_.Engine().Version > 0) doc.version = w_.Engine().Version;
    if (const auto r = k6config::WriteFileAtomically(path, k6text::ExportJson(doc)); !r)
        Message(K6FileCommands::ErrorText(r, path));
}

void K6TextSide::ImportClick() {
    w_.EnsurePages();
    const QString path = AskFile(false, Texts.ImportItem, QStringLiteral("JSON (*.json)"), QStringLiteral("json"));
    if (path.isEmpty()) return;
    ImportFile(path);
}

bool K6TextSide::ImportFile(const QString& path) {
    QByteArray text;
    if (const auto r = k6config::ReadInputFile(path, k6text::kMaxTextSize, text); !r) {
        Message(K6FileCommands::ErrorText(r, path));
        return false;
    }
    k6text::JsonError error;
    const auto doc = k6text::ImportJson(text, Language(), &error);
    if (!doc) {
        Message(k6config::ShownName(path) + QStringLiteral(": ") + error.message);
        return false;
    }
    w_.Engine().ConfigImage = doc->image;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        w_.LocalValues->setText(w_.LocalValues->table().at(i).name.toStdString(),
                                doc->customer[static_cast<std::size_t>(i)]);
    k6config::DecodeConfigImage(w_.Engine().ConfigImage, *w_.Values, *w_.DoorPhoneValues, w_.CodecContext());
    return true;
}

} // namespace dalvex
