#include "k6_backup_side.h"

#include "i18n/module_models.h"

#include "k6_file_commands.h"
#include "k6config/backups.h"
#include "k6config/config_file.h"
#include "k6config/page_values.h"
#include "k6link/config_transfer.h"
#include "k6text/file_diff.h"
#include "i18n/catalogue.h"
#include "serial/settings.h"
#include "config_window.h"
#include "k6_send_switch.h"

#include <QAbstractButton>
#include <QAction>
#include <QDialog>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace dalvex {

std::function<bool(const std::vector<K6BackupSide::ShownRow>&)> K6BackupSide::ConfirmHook;
std::function<int(const QStringList&)> K6BackupSide::RestoreHook;

namespace {

const char* const kCustomerFieldNames[k6config::kCustomerFields] = {"Edit2", "Edit3", "Edit4",
                                                                    "Edit5", "Edit6", "Edit7"};

QString Setting(const ConfigWindow& w, const char* name) {
    return ReadSetting(w.RegKey, QString::fromLatin1(name));
}

} // namespace

K6BackupSide::K6BackupSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    if (auto* menu = window.findChild<QMenu*>(QStringLiteral("Ments2"))) {
        RestoreItem = menu->addAction(Texts.RestoreItem);
        RestoreItem->setObjectName(QStringLiteral("Visszaallitas1"));
        connect(RestoreItem, &QAction::triggered, this, &K6BackupSide::RestoreClick);
    }
    connect(&window, &ConfigWindow::TransferEnded, this, &K6BackupSide::TransferEnded);
}

QString K6BackupSide::Folder() const {
    const QString f = Setting(w_, kFolderSetting);
    return f.isEmpty() ? k6config::DefaultBackupFolder() : f;
}

QString K6BackupSide::ModelName() const {
    // By the code the module answered: a door phone's backups carry its own name, although the
    // engine serves it as the main model.
    const QString name = dalvex::ModelName(w_.ModuleCode, w_.Brand());
    return name.isEmpty() ? w_.ProModelName : name;
}

void K6BackupSide::ReadCompleted() {
    auto& e = w_.Engine();
    Snapshot s;
    s.moduleType = w_.ModuleType;
    s.version = e.Version;
    s.port = Setting(w_, "comport");
    k6config::CopySentAreas(e.ConfigImage, s.image);
    read_ = std::move(s);

    k6config::CustomerFields fields;
    for (int i = 0; i < k6config::kCustomerFields; ++i)
        fields[i] = w_.LocalValues->text(kCustomerFieldNames[i]);
    const QString folder = Folder();
    QString saved;
    const auto r = k6config::SaveBackup(folder, ModelName(), e.Version, QDateTime::currentDateTime(),
                                        e.ConfigImage, fields, &saved);
    const QString done = w_.StatusPanel(3);
    if (!r) {
        // The read itself succeeded: its text stays, the failure is added to it.
        w_.SetStatusPanel(3, done + QStringLiteral("  ") + Texts.SaveFailed + K6FileCommands::ErrorText(r, folder));
        return;
    }
    LastBackup = saved;
    // A missing, unreadable or non-positive setting takes its default.
    const auto positive = [this](const char* name, int fallback) {
        bool ok = false;
        const int n = Setting(w_, name).toInt(&ok);
        return ok && n > 0 ? n : fallback;
    };
    k6config::BackupLimits limits;
    limits.kept = positive(kKeepSetting, k6config::kDefaultBackupsKept);
    limits.maxBytes = positive(kMaxMBSetting, k6config::kDefaultBackupsMaxMB) * k6config::kBytesPerMB;
    k6config::PruneBackups(folder, ModelName(), limits, saved);
}

bool K6BackupSide::SameModule() const {
    return read_ && read_->moduleType == w_.ModuleType && read_->version == w_.Engine().Version &&
           read_->port == Setting(w_, "comport");
}

std::vector<k6config::ImageArea> K6BackupSide::ComparedAreas() const {
    // What the read brought in and the send writes: the configuration; the server profiles from
    // block transfers on; the Contact ID bank of a line-simulator module when its option is ticked.
    const bool blocks = w_.Engine().Version >= k6link::ConfigTransfer::kBytewiseBelowVersion;
    std::vector<k6config::ImageArea> areas{blocks ? k6config::kConfigArea : k6config::kBytewiseConfigArea};
    if (blocks) areas.push_back(k6config::kProfileArea);
    if (blocks && HasContactIdTables(w_.ModuleType) && w_.LocalValues->checked("CheckBox14"))
        areas.push_back(k6config::kContactIdArea);
    return areas;
}

std::vector<K6BackupSide::ShownRow> K6BackupSide::Changes() {
    w_.EncodePagesIntoImage();
    k6text::ShowContext show;
    show.language = i18n::ActivationLanguage(Setting(w_, "Language"));
    show.moduleType = w_.ModuleCode;
    show.version = w_.Engine().Version;
    show.secrets = true; // the pages show them too
    auto rows = k6text::DescribeImageDiff(read_->image, w_.Engine().ConfigImage, ComparedAreas(), show);
    if (FromDoorPhone) k6text::ShowAsDoorPhoneSend(rows, show.language);
    std::vector<ShownRow> out;
    for (const k6text::FileDiffRow& r : rows)
        out.push_back({r.page, r.field, r.before, r.after});
    return out;
}

void K6BackupSide::TransferEnded(const k6link::TransferEnd& end) {
    // What a completed send wrote is what the module holds now: the next list compares with it.
    if (end.kind != k6link::TransferKind::Send || end.outcome != k6link::TransferOutcome::Done || !read_ ||
        !SameModule())
        return;
    for (const k6config::ImageArea& area : ComparedAreas())
        for (std::uint32_t i = area.first; i < area.end; ++i)
            read_->image.set(i, w_.Engine().ConfigImage.at(i));
}

bool K6BackupSide::ConfirmSend() {
    if (w_.DemoMode || !SameModule() || Setting(w_, kConfirmSetting) == QLatin1String("0")) return true;
    const auto rows = Changes();
    PlanLine = w_.SendSwitch ? w_.SendSwitch->PlanLine(w_.Transfer().Plan()) : QString();
    if (ConfirmHook) return ConfirmHook(rows);
    // A host that answers the window's message boxes itself (a scripted run) has nobody to show
    // the list to: the send goes ahead as it would without this check.
    if (ConfigWindow::MessageBoxHook) return true;
    if (rows.empty()) {
        if (ConfigWindow::MessageBoxHook)
            ConfigWindow::MessageBoxHook(Texts.NoChanges, QMessageBox::Ok);
        else
            QMessageBox::information(&w_, w_.ToolName, Texts.NoChanges + QLatin1Char('\n') + PlanLine);
        return true;
    }
    QDialog d(&w_);
    d.setWindowTitle(Texts.ChangesTitle);
    auto* layout = new QVBoxLayout(&d);
    layout->addWidget(new QLabel(Texts.ChangesIntro, &d));
    auto* plan = new QLabel(PlanLine, &d);
    plan->setObjectName(QStringLiteral("SendPlan"));
    plan->setWordWrap(true);
    auto* tree = new QTreeWidget(&d);
    tree->setObjectName(QStringLiteral("Changes"));
    tree->setHeaderLabels({Texts.Field, Texts.Before, Texts.After});
    QHash<QString, QTreeWidgetItem*> pages;
    for (const ShownRow& r : rows) {
        QTreeWidgetItem*& page = pages[r.page];
        if (!page) {
            page = new QTreeWidgetItem(tree, {r.page.isEmpty() ? Texts.Page : r.page});
            page->setFirstColumnSpanned(true);
            page->setExpanded(true);
        }
        new QTreeWidgetItem(page, {r.field, r.before, r.after});
    }
    tree->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(tree);
    layout->addWidget(plan);
    auto* buttons = new QDialogButtonBox(&d);
    QPushButton* send = buttons->addButton(Texts.Send, QDialogButtonBox::AcceptRole);
    buttons->addButton(Texts.Cancel, QDialogButtonBox::RejectRole);
    send->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(buttons);
    d.resize(720, 420);
    return d.exec() == QDialog::Accepted;
}

void K6BackupSide::RestoreClick() {
    w_.EnsurePages();
    if (!w_.MayLeaveEdits()) return;
    const auto backups = k6config::ListBackups(Folder(), ModelName());
    if (backups.empty()) {
        if (ConfigWindow::MessageBoxHook)
            ConfigWindow::MessageBoxHook(Texts.NoBackups, QMessageBox::Ok);
        else
            QMessageBox::information(&w_, w_.ToolName, Texts.NoBackups);
        return;
    }
    QStringList lines;
    for (const auto& b : backups)
        lines << QStringLiteral("%1   v%2.%3   %4")
                     .arg(b.when.toString(QStringLiteral("yyyy.MM.dd. HH:mm:ss")))
                     .arg(b.version / 10)
                     .arg(b.version % 10)
                     .arg(b.customer);
    int chosen = -1;
    if (RestoreHook) {
        chosen = RestoreHook(lines);
    } else {
        QDialog d(&w_);
        d.setWindowTitle(Texts.RestoreTitle);
        auto* layout = new QVBoxLayout(&d);
        auto* list = new QListWidget(&d);
        list->addItems(lines);
        list->setCurrentRow(0);
        layout->addWidget(list);
        auto* buttons = new QDialogButtonBox(&d);
        buttons->addButton(Texts.RestoreOpen, QDialogButtonBox::AcceptRole);
        buttons->addButton(Texts.Cancel, QDialogButtonBox::RejectRole);
        connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
        connect(list, &QListWidget::itemDoubleClicked, &d, &QDialog::accept);
        layout->addWidget(buttons);
        d.resize(520, 360);
        if (d.exec() == QDialog::Accepted) chosen = list->currentRow();
    }
    if (chosen < 0 || chosen >= static_cast<int>(backups.size())) return;
    w_.EnsurePages();
    if (w_.Files) w_.Files->OpenFile(backups[static_cast<std::size_t>(chosen)].path);
}

} // namespace dalvex
