#include "event_log_window.h"

#include "k6_file_commands.h"
#include "k6config/config_file.h"
#include "config_window.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace dalvex {

// --- The grid's model --------------------------------------------------------------------------

LogTableModel::LogTableModel(QObject* parent)
    : QAbstractTableModel(parent) {
    header_ = k6link::LogTexts{}.Header;
}

int LogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    if (index.column() == 0) return QString::number(index.row() + 1);
    return rows_[static_cast<std::size_t>(index.row())].column(index.column());
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return QString::number(section + 1);
    return section >= 1 && section <= 5 ? header_[static_cast<std::size_t>(section - 1)] : QString();
}

void LogTableModel::SetHeader(const std::array<QString, 5>& header) {
    if (header == header_) return;
    header_ = header;
    emit headerDataChanged(Qt::Horizontal, 1, 5);
}

void LogTableModel::SetRows(int firstRow, std::span<const k6link::LogRow> rows) {
    const int first = std::clamp(firstRow - 1, 0, rowCount());
    if (first < rowCount()) {
        beginRemoveRows({}, first, rowCount() - 1);
        rows_.resize(static_cast<std::size_t>(first));
        endRemoveRows();
    }
    if (rows.empty()) return;
    beginInsertRows({}, first, first + static_cast<int>(rows.size()) - 1);
    rows_.insert(rows_.end(), rows.begin(), rows.end());
    endInsertRows();
}

// --- The window --------------------------------------------------------------------------------

EventLogWindow::EventLogWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Tk6Form5"));
    setWindowTitle(QStringLiteral("Naplo kiolvasása"));
    resize(860, 560);
    auto* layout = new QVBoxLayout(this);

    TitleLabel = new QLabel(windowTitle(), this);
    TitleLabel->setObjectName(QStringLiteral("Label1"));
    QFont title = TitleLabel->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.3);
    TitleLabel->setFont(title);
    layout->addWidget(TitleLabel);

    model_ = new LogTableModel(this);
    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("StringGrid1"));
    Grid->setModel(model_);
    Grid->verticalHeader()->hide();
    // Fixed row heights and column widths: measuring 16384 rows' contents would cost more than
    // the rows themselves.
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 6);
    Grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    Grid->horizontalHeader()->setStretchLastSection(true);
    static constexpr int kWidths[] = {50, 200, 160, 70, 130};
    for (int c = 0; c < 5; ++c)
        Grid->setColumnWidth(c, kWidths[c]);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setWordWrap(false);
    layout->addWidget(Grid, 1);

    auto* buttons = new QHBoxLayout;
    auto makeButton = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    ReadButton = makeButton("BitBtn2", Texts.Read);
    StopButton = makeButton("BitBtn4", Texts.Stop);
    ExportButton = makeButton("BitBtn1", Texts.Export);
    ApplyTexts();
    Progress = new QProgressBar(this);
    Progress->setObjectName(QStringLiteral("ProgressBar1"));
    Progress->setRange(0, 100);
    Progress->setTextVisible(false);
    Progress->hide();
    buttons->addWidget(ReadButton);
    buttons->addWidget(StopButton);
    buttons->addWidget(Progress, 1);
    buttons->addStretch(1);
    buttons->addWidget(ExportButton);
    layout->addLayout(buttons);

    connect(ReadButton, &QPushButton::clicked, this, &EventLogWindow::ReadClick);
    connect(StopButton, &QPushButton::clicked, this, &EventLogWindow::StopClick);
    connect(ExportButton, &QPushButton::clicked, this, &EventLogWindow::ExportClick);
}

void EventLogWindow::ApplyTexts() {
    ReadButton->setText(Texts.Read);
    StopButton->setText(Texts.Stop);
    ExportButton->setText(Texts.Export);
    model_->SetHeader(LogTexts().Header);
}

void EventLogWindow::ReadClick() {
    emit ReadRequested();
}

void EventLogWindow::StopClick() {
    emit StopRequested();
}

void EventLogWindow::closeEvent(QCloseEvent* event) {
    emit StopRequested();
    QWidget::closeEvent(event);
}

void EventLogWindow::ShowProgress(bool visible) {
    Progress->setVisible(visible);
}

void EventLogWindow::SetProgress(int position) {
    Progress->setValue(position);
}

void EventLogWindow::SetRows(int firstRow, std::span<const k6link::LogRow> rows) {
    model_->SetRows(firstRow, rows);
}

void EventLogWindow::SetLogTexts(const k6link::LogTexts* texts) {
    logTexts_ = texts;
    model_->SetHeader(LogTexts().Header);
}

const k6link::LogTexts& EventLogWindow::LogTexts() const {
    static const k6link::LogTexts defaults;
    return logTexts_ ? *logTexts_ : defaults;
}

int EventLogWindow::RowCount() const {
    return model_->rowCount() + 1;
}

QString EventLogWindow::Cell(int row, int column) const {
    if (row == 0) return model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    return model_->data(model_->index(row - 1, column), Qt::DisplayRole).toString();
}

QString EventLogWindow::ExportCsv(const QString& path) const {
    const QByteArray csv = k6link::LogCsv(model_->Rows(), LogTexts());
    if (const auto r = k6config::WriteFileAtomically(path, csv); !r)
        return K6FileCommands::ErrorText(r, path);
    return {};
}

void EventLogWindow::ExportClick() {
    QString path;
    const QStringList filters{Texts.ExportFilter};
    const QString suffix = QStringLiteral("csv");
    int filter = 0;
    if (K6FileCommands::FileDialogHook) {
        path = K6FileCommands::FileDialogHook(true, Texts.Export, filters, suffix, filter);
    } else {
        QFileDialog dialog(this, Texts.Export);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilters(filters);
        dialog.setDefaultSuffix(suffix);
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            path = dialog.selectedFiles().front();
    }
    if (path.isEmpty()) return;
    const QString error = ExportCsv(path);
    if (error.isEmpty()) return;
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(error, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), error);
}

} // namespace dalvex
