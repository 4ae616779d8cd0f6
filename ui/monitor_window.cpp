#include "monitor_window.h"

#include "forms.h"
#include "k6_file_commands.h"
#include "k6_status_side.h"
#include "k6config/config_file.h"
#include "k6config/cp1250.h"
#include "serial/async32.h"
#include "config_window.h"
#include "own_activation.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>
#include <cerrno>

namespace dalvex {

namespace {

constexpr qint64 kCopyChunk = 1 << 20;
// The view is cut back to this share of its limit, so that a cut happens once per quarter MB.
constexpr qsizetype kTrimTo = MonitorWindow::kViewLimit / 4 * 3;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    return b;
}

} // namespace

MonitorWindow::MonitorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TK6Form3"));
    setWindowTitle(QStringLiteral("Monitor"));
    auto* root = new QVBoxLayout(this);

    WarningLabel = new QLabel(Texts.Warning, this);
    WarningLabel->setObjectName(QStringLiteral("Label1"));
    WarningLabel->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    root->addWidget(WarningLabel);

    TextView = new QPlainTextEdit(this);
    TextView->setObjectName(QStringLiteral("Memo1"));
    TextView->setReadOnly(true);
    TextView->setUndoRedoEnabled(false);
    TextView->setLineWrapMode(QPlainTextEdit::NoWrap);
    TextView->setFont(QFont(QStringLiteral("Monospace")));
    root->addWidget(TextView, 1);

    auto* terminal = new QHBoxLayout;
    AtCommand = new QLineEdit(this);
    AtCommand->setObjectName(QStringLiteral("Edit1"));
    // The module's line buffer takes 256 bytes: the line and its CR.
    AtCommand->setMaxLength(kLineBuffer - 1);
    AtCommand->setText(QStringLiteral("AT"));
    SendAtButton = MakeButton(this, "Button4", QStringLiteral("Send AT"));
    SendAtButton->setDefault(true);
    terminal->addWidget(AtCommand, 1);
    terminal->addWidget(SendAtButton);
    root->addLayout(terminal);

    auto* buttons = new QHBoxLayout;
    ClearButton = MakeButton(this, "Button1", QStringLiteral("Monitorablak törlése"));
    SaveButton = MakeButton(this, "Button2", QStringLiteral("Mentés fájlba"));
    ExitButton = MakeButton(this, "Button3", QStringLiteral("Kilépés"));
    buttons->addWidget(ClearButton);
    buttons->addWidget(SaveButton);
    buttons->addStretch(1);
    buttons->addWidget(ExitButton);
    root->addLayout(buttons);

    StampTimer = new QTimer(this);
    StampTimer->setObjectName(QStringLiteral("Timer1"));
    connect(StampTimer, &QTimer::timeout, this, &MonitorWindow::StampTick);
    flush_ = new QTimer(this);
    flush_->setSingleShot(true);
    flush_->setInterval(kFlushMs);
    connect(flush_, &QTimer::timeout, this, &MonitorWindow::Flush);

    connect(ClearButton, &QPushButton::clicked, this, &MonitorWindow::ClearClick);
    connect(SaveButton, &QPushButton::clicked, this, &MonitorWindow::SaveClick);
    connect(ExitButton, &QPushButton::clicked, this, &QWidget::close);
    connect(SendAtButton, &QPushButton::clicked, this, &MonitorWindow::SendAtClick);
    connect(AtCommand, &QLineEdit::returnPressed, this, &MonitorWindow::SendAtClick);
    resize(720, 520);
}

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::Open(Mode mode) {
    mode_ = mode;
    startPending_ = true;
    const bool terminal = mode == Mode::Terminal;
    AtCommand->setVisible(terminal);
    SendAtButton->setVisible(terminal);
    SendAtButton->setDefault(terminal);
    if (!spool_) ResetSpool();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void MonitorWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        Activate();
}

void MonitorWindow::Activate() {
    // The mode starts at the first activation after opening only: the window becomes active
    // again after its own file dialog, and switching the monitor on once more would cost the
    // stream while the module acknowledges.
    if (!startPending_) return;
    startPending_ = false;
    if (configWindow && configWindow->Status) {
        K6StatusSide& side = *configWindow->Status;
        if (mode_ == Mode::Terminal)
            side.Modem().Enter(k6link::state::MonitorStream, false);
        else
            side.Monitor().Start();
    }
    StampTimer->setInterval(kFirstStampMs);
    StampTimer->start();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    StampTimer->stop();
    startPending_ = false;
    Flush();
    if (configWindow && configWindow->Status) configWindow->Status->Monitor().Stop();
    event->accept();
}

void MonitorWindow::StampTick() {
    StampTimer->setInterval(kStampMs);
    QString line;
    if (!decoder_.AtLineStart()) line += QLatin1Char('\n');
    line += QString(10, QLatin1Char('#')) + QLatin1Char(' ') +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss")) + QLatin1Char('\n');
    decoder_.Appended(line);
    Append(line);
}

void MonitorWindow::AsynText(std::span<const std::uint8_t> bytes) {
    QString text;
    decoder_.Decode(bytes, text);
    Append(text);
}

void MonitorWindow::Append(const QString& text) {
    if (text.isEmpty()) return;
    pending_ += text;
    if (!flush_->isActive()) flush_->start();
}

void MonitorWindow::Flush() {
    flush_->stop();
    if (pending_.isEmpty()) return;
    if (spoolOk_) {
        const QByteArray utf8 = pending_.toUtf8();
        if (spool_->write(utf8) != utf8.size()) {
            spoolOk_ = false;
            Message(Texts.SpoolLost);
        }
    }
    // Text that would be cut from the view at once is not laid out first.
    if (pending_.size() > kTrimTo) {
        const qsizetype cut = pending_.indexOf(QLatin1Char('\n'), pending_.size() - kTrimTo);
        pending_.remove(0, cut < 0 ? pending_.size() - kTrimTo : cut + 1);
        TextView->clear();
        viewChars_ = 0;
    }
    QScrollBar* bar = TextView->verticalScrollBar();
    const bool follow = bar->value() == bar->maximum();
    QTextCursor c(TextView->document());
    c.movePosition(QTextCursor::End);
    c.insertText(pending_);
    viewChars_ += pending_.size();
    pending_.clear();
    TrimView();
    if (follow) bar->setValue(bar->maximum());
}

void MonitorWindow::TrimView() {
    if (viewChars_ <= kViewLimit) return;
    QTextDocument* doc = TextView->document();
    // Cut at the start of the line that holds the position to keep from.
    const QTextBlock block = doc->findBlock(static_cast<int>(viewChars_ - kTrimTo));
    qsizetype cut = block.isValid() ? block.position() : viewChars_ - kTrimTo;
    if (cut <= 0) cut = viewChars_ - kTrimTo; // one endless line: cut inside it
    QTextCursor c(doc);
    c.setPosition(0);
    c.setPosition(static_cast<int>(cut), QTextCursor::KeepAnchor);
    c.removeSelectedText();
    viewChars_ = doc->characterCount() - 1;
}

QString MonitorWindow::ViewText() const {
    return TextView->toPlainText() + pending_;
}

void MonitorWindow::ResetSpool() {
    spool_.reset();
    if (!spoolDir_ || !spoolDir_->isValid()) spoolDir_ = std::make_unique<QTemporaryDir>();
    spoolOk_ = false;
    if (!spoolDir_->isValid()) return;
    spool_ = std::make_unique<QFile>(spoolDir_->filePath(QStringLiteral("monitor.txt")));
    spoolOk_ = spool_->open(QIODevice::ReadWrite | QIODevice::Truncate);
    if (spoolOk_) spool_->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void MonitorWindow::ClearClick() {
    flush_->stop();
    pending_.clear();
    TextView->clear();
    viewChars_ = 0;
    decoder_.Reset();
    ResetSpool();
}

void MonitorWindow::SaveClick() {
    Flush();
    int filter = 0;
    QString path;
    if (K6FileCommands::FileDialogHook)
        path = K6FileCommands::FileDialogHook(true, Texts.SaveTitle, {Texts.TextFilter},
                                              QStringLiteral("TXT"), filter);
    else
        path = [&] {
            QFileDialog dialog(this, Texts.SaveTitle);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            dialog.setNameFilter(Texts.TextFilter);
            dialog.setDefaultSuffix(QStringLiteral("TXT"));
            return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()
                       ? dialog.selectedFiles().constFirst()
                       : QString();
        }();
    if (path.isEmpty()) return;

    // The module's traffic: a new file is readable by its owner only.
    k6config::AtomicFile out;
    k6config::FileResult r = out.Open(path);
    if (r && spoolOk_ && spool_->flush() && spool_->seek(0)) {
        while (r && !spool_->atEnd()) {
            const QByteArray chunk = spool_->read(kCopyChunk);
            r = chunk.isEmpty() ? k6config::FileResultOf(EIO) : out.Write(chunk);
        }
        spool_->seek(spool_->size());
    } else if (r) {
        r = out.Write(TextView->toPlainText().toUtf8());
    }
    if (r) r = out.Write("\n", 1);
    if (r) r = out.Commit();
    if (!r) Message(K6FileCommands::ErrorText(r, path));
}

void MonitorWindow::SendAtClick() {
    if (mode_ != Mode::Terminal || !configWindow) return;
    QByteArray line = k6config::ToCp1250(AtCommand->text()).left(kLineBuffer - 1);
    line += '\r';
    configWindow->SerialPort->Write(line.constData(), static_cast<int>(line.size()));
}

void MonitorWindow::Message(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

} // namespace dalvex
