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
#include <QSaveFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

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

    Label1 = new QLabel(Texts.Warning, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold;"));
    root->addWidget(Label1);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setUndoRedoEnabled(false);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setFont(QFont(QStringLiteral("Monospace")));
    root->addWidget(Memo1, 1);

    auto* terminal = new QHBoxLayout;
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // The module's line buffer takes 256 bytes: the line and its CR.
    Edit1->setMaxLength(kLineBuffer - 1);
    Edit1->setText(QStringLiteral("AT"));
    Button4 = MakeButton(this, "Button4", QStringLiteral("Send AT"));
    Button4->setDefault(true);
    terminal->addWidget(Edit1, 1);
    terminal->addWidget(Button4);
    root->addLayout(terminal);

    auto* buttons = new QHBoxLayout;
    Button1 = MakeButton(this, "Button1", QStringLiteral("Monitorablak törlése"));
    Button2 = MakeButton(this, "Button2", QStringLiteral("Mentés fájlba"));
    Button3 = MakeButton(this, "Button3", QStringLiteral("Kilépés"));
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch(1);
    buttons->addWidget(Button3);
    root->addLayout(buttons);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    connect(Timer1, &QTimer::timeout, this, &MonitorWindow::Timer1Timer);
    flush_ = new QTimer(this);
    flush_->setSingleShot(true);
    flush_->setInterval(kFlushMs);
    connect(flush_, &QTimer::timeout, this, &MonitorWindow::Flush);

    connect(Button1, &QPushButton::clicked, this, &MonitorWindow::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &MonitorWindow::Button2Click);
    connect(Button3, &QPushButton::clicked, this, &QWidget::close);
    connect(Button4, &QPushButton::clicked, this, &MonitorWindow::Button4Click);
    connect(Edit1, &QLineEdit::returnPressed, this, &MonitorWindow::Button4Click);
    resize(720, 520);
}

MonitorWindow::~MonitorWindow() = default;

void MonitorWindow::Open(Mode mode) {
    mode_ = mode;
    startPending_ = true;
    const bool terminal = mode == Mode::Terminal;
    Edit1->setVisible(terminal);
    Button4->setVisible(terminal);
    Button4->setDefault(terminal);
    if (!spool_) ResetSpool();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
}

void MonitorWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && OwnActivation::Moved(this))
        FormActivate();
}

void MonitorWindow::FormActivate() {
    // The mode starts at the first activation after opening only: the window becomes active
    // again after its own file dialog, and switching the monitor on once more would cost the
    // stream while the module acknowledges.
    if (!startPending_) return;
    startPending_ = false;
    if (K6Form1 && K6Form1->Status) {
        K6StatusSide& side = *K6Form1->Status;
        if (mode_ == Mode::Terminal)
            side.Modem().Enter(k6link::state::MonitorStream, false);
        else
            side.Monitor().Start();
    }
    Timer1->setInterval(kFirstStampMs);
    Timer1->start();
}

void MonitorWindow::closeEvent(QCloseEvent* event) {
    Timer1->stop();
    startPending_ = false;
    Flush();
    if (K6Form1 && K6Form1->Status) K6Form1->Status->Monitor().Stop();
    event->accept();
}

void MonitorWindow::Timer1Timer() {
    Timer1->setInterval(kStampMs);
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
        Memo1->clear();
        viewChars_ = 0;
    }
    QScrollBar* bar = Memo1->verticalScrollBar();
    const bool follow = bar->value() == bar->maximum();
    QTextCursor c(Memo1->document());
    c.movePosition(QTextCursor::End);
    c.insertText(pending_);
    viewChars_ += pending_.size();
    pending_.clear();
    TrimView();
    if (follow) bar->setValue(bar->maximum());
}

void MonitorWindow::TrimView() {
    if (viewChars_ <= kViewLimit) return;
    QTextDocument* doc = Memo1->document();
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
    return Memo1->toPlainText() + pending_;
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

void MonitorWindow::Button1Click() {
    flush_->stop();
    pending_.clear();
    Memo1->clear();
    viewChars_ = 0;
    decoder_.Reset();
    ResetSpool();
}

void MonitorWindow::Button2Click() {
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

    const bool existed = QFile::exists(path);
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        Message(K6FileCommands::ErrorText(k6config::FileErrorOf(out, path, true), path));
        return;
    }
    bool ok = true;
    if (spoolOk_ && spool_->flush() && spool_->seek(0)) {
        while (ok && !spool_->atEnd()) {
            const QByteArray chunk = spool_->read(kCopyChunk);
            ok = !chunk.isEmpty() && out.write(chunk) == chunk.size();
        }
        spool_->seek(spool_->size());
    } else {
        const QByteArray text = Memo1->toPlainText().toUtf8();
        ok = out.write(text) == text.size();
    }
    ok = ok && out.write("\n", 1) == 1;
    if (!ok) {
        const k6config::FileResult r = k6config::FileErrorOf(out, path, true);
        out.cancelWriting();
        Message(K6FileCommands::ErrorText(r, path));
        return;
    }
    if (!out.commit()) {
        Message(K6FileCommands::ErrorText(k6config::FileErrorOf(out, path, true), path));
        return;
    }
    // The module's traffic: readable by its owner only, unless the file was there before.
    if (!existed) QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

void MonitorWindow::Button4Click() {
    if (mode_ != Mode::Terminal || !K6Form1) return;
    QByteArray line = k6config::ToCp1250(Edit1->text()).left(kLineBuffer - 1);
    line += '\r';
    K6Form1->AsynComm321->Write(line.constData(), static_cast<int>(line.size()));
}

void MonitorWindow::Message(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), text);
}

} // namespace dalvex
