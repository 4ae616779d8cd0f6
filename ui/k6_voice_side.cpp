#include "k6_voice_side.h"

#include "forms.h"
#include "k6_file_commands.h"
#include "k6link/config_transfer.h"
#include "k6media/wav_check.h"
#include "start_window.h"
#include "config_window.h"

#include <QBoxLayout>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace dalvex {

using k6media::kMessageSlots;
using k6media::kVoiceSlots;
using k6media::VoiceSlot;

namespace {

constexpr int kTimer5Interval = 1000;

const char* ButtonSuffix(K6VoiceSide::PlayerButton b) {
    switch (b) {
    case K6VoiceSide::PlayerButton::Play:
        return "Play";
    case K6VoiceSide::PlayerButton::Stop:
        return "Stop";
    case K6VoiceSide::PlayerButton::Record:
        return "Record";
    }
    return "";
}

int RowOf(const VoiceSlot& slot) {
    return static_cast<int>(slot.id);
}

} // namespace

K6VoiceSide::K6VoiceSide(ConfigWindow& window)
    : QObject(&window)
    , w_(window) {
    k6media::VoiceUploadHost& host = *this;
    upload_ = std::make_unique<k6media::VoiceUpload>(w_.Engine(), w_.MemWrite(), host);
    Build();
    SetAudio(MakeSystemVoiceAudio());
}

K6VoiceSide::~K6VoiceSide() = default;

void K6VoiceSide::SetAudio(std::unique_ptr<VoiceAudio> audio) {
    if (audio_) audio_->disconnect(this);
    audio_ = std::move(audio);
    connect(audio_.get(), &VoiceAudio::PlaybackFinished, this, [this] {
        PlayingRow = -1;
        if (RecordingRow < 0) EnablePlayers(true);
    });
    ApplyDevice();
}

QString K6VoiceSide::StartDir() const {
    return startWindow && !startWindow->StartDirectory.isEmpty() ? startWindow->StartDirectory
                                                                 : QDir::currentPath();
}

void K6VoiceSide::Build() {
    page_ = w_.Page(QStringLiteral("TabSheet22"));
    QWidget* parent = page_ ? page_.data() : &w_;
    auto* panel = new QWidget(parent);
    panel->setObjectName(QStringLiteral("VoicePanel"));
    auto* outer = new QVBoxLayout(panel);
    outer->setContentsMargins(0, 0, 0, 0);

    auto* title = new QLabel(Texts.Title, panel);
    title->setObjectName(QStringLiteral("Label118"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    outer->addWidget(title);

    auto* grid = new QGridLayout;
    outer->addLayout(grid);
    for (int row = 0; row < kMessageSlots; ++row) {
        const VoiceSlotWidgets& s = kVoiceSlotWidgets[static_cast<std::size_t>(row)];
        auto* caption = new QLabel(QString::fromUtf8(s.caption), panel);
        caption->setObjectName(QString::fromLatin1(s.captionLabel));
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(QString::fromLatin1(s.edit));
        edit->setReadOnly(true);
        edit->setCursor(Qt::PointingHandCursor);
        edit->setMinimumWidth(260);
        edit->installEventFilter(this);
        caption->setBuddy(edit);
        Edits[static_cast<std::size_t>(row)] = edit;

        auto* upload = new QPushButton(Texts.Upload, panel);
        upload->setObjectName(QString::fromLatin1(s.button));
        connect(upload, &QPushButton::clicked, this, [this, row] { UploadClick(row); });
        UploadButtons[static_cast<std::size_t>(row)] = upload;

        auto* player = new QWidget(panel);
        player->setObjectName(QString::fromLatin1(s.player));
        auto* buttons = new QHBoxLayout(player);
        buttons->setContentsMargins(0, 0, 0, 0);
        const std::pair<PlayerButton, QString> kinds[] = {{PlayerButton::Play, Texts.Play},
                                                          {PlayerButton::Stop, Texts.Stop},
                                                          {PlayerButton::Record, Texts.Record}};
        for (const auto& [kind, text] : kinds) {
            auto* b = new QToolButton(player);
            b->setObjectName(QString::fromLatin1(s.player) + QString::fromLatin1(ButtonSuffix(kind)));
            b->setText(text);
            connect(b, &QToolButton::clicked, this, [this, row, kind] { PlayerClick(row, kind); });
            buttons->addWidget(b);
        }
        Players[static_cast<std::size_t>(row)] = player;

        grid->addWidget(caption, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(upload, row, 2);
        grid->addWidget(player, row, 3);
    }
    grid->setColumnStretch(1, 1);

    auto* status = new QHBoxLayout;
    UploadProgress = new QProgressBar(panel);
    UploadProgress->setObjectName(QStringLiteral("Gauge1"));
    UploadProgress->hide();
    RecordingCountdown = new QLabel(panel);
    RecordingCountdown->setObjectName(QStringLiteral("Label166"));
    RecordingCountdown->hide();
    QFont big = RecordingCountdown->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    RecordingCountdown->setFont(big);
    status->addWidget(UploadProgress, 1);
    status->addWidget(RecordingCountdown);
    outer->addLayout(status);

    FormatLabel = new QLabel(Texts.Format, panel);
    FormatLabel->setObjectName(QStringLiteral("Label97"));
    FormatLabel->setStyleSheet(QStringLiteral("color: red"));
    outer->addWidget(FormatLabel);

    auto* developer = new QHBoxLayout;
    for (std::size_t i = kMessageSlots; i < kVoiceSlots.size(); ++i) {
        const VoiceSlotWidgets& s = kVoiceSlotWidgets[i];
        auto* b = new QPushButton(QString::fromUtf8(s.caption), panel);
        b->setObjectName(QString::fromLatin1(s.button));
        b->hide(); // developer mode only
        const int slot = static_cast<int>(i);
        connect(b, &QPushButton::clicked, this, [this, slot] { UploadClick(slot); });
        UploadButtons[i] = b;
        developer->addWidget(b);
    }
    developer->addStretch(1);
    outer->addLayout(developer);

    if (auto* box = page_ ? qobject_cast<QBoxLayout*>(page_->layout()) : nullptr)
        box->insertWidget(0, panel);
    else
        panel->hide();

    RecordingTimer = new QTimer(this);
    RecordingTimer->setObjectName(QStringLiteral("Timer5"));
    RecordingTimer->setInterval(kTimer5Interval);
    connect(RecordingTimer, &QTimer::timeout, this, &K6VoiceSide::RecordingTick);

    // Leaving the page: the page control shows another page.
    shownPage_ = w_.PageTabs->currentWidget();
    connect(w_.PageTabs, &QTabWidget::currentChanged, this, [this](int index) {
        QWidget* now = w_.PageTabs->widget(index);
        if (page_ && shownPage_ == page_ && now != page_) PageLeft();
        shownPage_ = now;
    });
}

bool K6VoiceSide::eventFilter(QObject* watched, QEvent* event) {
    const auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit && edit->isEnabled()) {
        const bool click = event->type() == QEvent::MouseButtonRelease;
        const bool key =
            event->type() == QEvent::KeyPress && (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                                                  static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space);
        if (click || key) {
            for (int row = 0; row < kMessageSlots; ++row)
                if (Edits[static_cast<std::size_t>(row)] == edit) {
                    EditClick(row);
                    return key;
                }
        }
    }
    return QObject::eventFilter(watched, event);
}

QToolButton* K6VoiceSide::PlayerButtonOf(int row, PlayerButton b) const {
    const VoiceSlotWidgets& s = kVoiceSlotWidgets[static_cast<std::size_t>(row)];
    return Players[static_cast<std::size_t>(row)]->findChild<QToolButton*>(
        QString::fromLatin1(s.player) + QString::fromLatin1(ButtonSuffix(b)));
}

void K6VoiceSide::ApplyDevice() {
    const bool play = audio_->CanPlay();
    const bool record = audio_->CanRecord();
    for (int row = 0; row < kMessageSlots; ++row) {
        QToolButton* p = PlayerButtonOf(row, PlayerButton::Play);
        p->setEnabled(play);
        p->setToolTip(play ? QString() : Texts.NoOutput);
        QToolButton* r = PlayerButtonOf(row, PlayerButton::Record);
        r->setEnabled(record);
        r->setToolTip(record ? QString() : Texts.NoInput);
    }
}

void K6VoiceSide::EnablePlayers(bool enabled, int except) {
    for (int row = 0; row < kMessageSlots; ++row)
        Players[static_cast<std::size_t>(row)]->setEnabled(enabled || row == except);
}

// --- Handlers ----------------------------------------------------------------------------------------

void K6VoiceSide::EditClick(int row) {
    const VoiceSlot& s = kVoiceSlots[static_cast<std::size_t>(row)];
    const QStringList filters{Texts.FileFilterVoice, Texts.FileFilterAll};
    QString path;
    if (K6FileCommands::FileDialogHook) {
        int filter = 0;
        path = K6FileCommands::FileDialogHook(false, QString(), filters, QString(), filter);
    } else {
        path = QFileDialog::getOpenFileName(&w_, QString(), StartDir(), filters.join(QStringLiteral(";;")));
    }
    if (path.isEmpty()) return;
    QLineEdit* edit = Edits[static_cast<std::size_t>(row)];
    edit->setText(upload_->ChooseFile(s, path, edit->text()));
}

void K6VoiceSide::UploadClick(int slot) {
    const VoiceSlot& s = kVoiceSlots[static_cast<std::size_t>(slot)];
    const QString text = s.developer ? QString() : Edits[static_cast<std::size_t>(slot)]->text();
    if (!s.developer && text.isEmpty()) {
        w_.SetStatusPanel(3, Texts.ChooseFile);
        return;
    }
    const QString shown = s.developer || text == QLatin1String(k6media::kInternal) ? text : QFileInfo(text).fileName();
    upload_->Start(s, text, StartDir(), [this, shown](const k6link::OperationEnd& end) {
        // A failed transfer and a lost port have said so themselves.
        if (end.outcome == k6link::Outcome::Done) w_.SetStatusPanel(3, Texts.Uploaded.arg(shown));
    });
}

QString K6VoiceSide::PlayFile(int row) const {
    const VoiceSlot& s = kVoiceSlots[static_cast<std::size_t>(row)];
    const QString text = Edits[static_cast<std::size_t>(row)]->text();
    // The row's chosen file, so that what is heard is what would be uploaded.
    if (!text.isEmpty() && text != QLatin1String(k6media::kInternal)) return text;
    return k6media::RecordedFile(s, StartDir());
}

void K6VoiceSide::PlayerClick(int row, PlayerButton b) {
    EnablePlayers(false, row);
    QString error;
    switch (b) {
    case PlayerButton::Play: {
        audio_->StopPlayback();
        const QString file = PlayFile(row);
        if (!audio_->Play(file, &error)) {
            ShowMessage(Texts.PlayFailed.arg(file, error));
            EnablePlayers(true);
            return;
        }
        PlayingRow = row;
        return;
    }
    case PlayerButton::Record:
        audio_->StopPlayback();
        PlayingRow = -1;
        if (!audio_->StartRecording(&error)) {
            ShowMessage(Texts.RecordFailed.arg(error));
            EnablePlayers(true);
            return;
        }
        RecordingRow = row;
        Count = kVoiceSlots[static_cast<std::size_t>(row)].recordSeconds;
        RecordingCountdown->setText(QString::number(Count));
        RecordingCountdown->show();
        RecordingTimer->start();
        return;
    case PlayerButton::Stop:
        // Only a recording is saved: a Stop during playback leaves the row's file as it was.
        if (RecordingRow == row) FinishRecording();
        audio_->StopPlayback();
        PlayingRow = -1;
        RecordingTimer->stop();
        RecordingCountdown->hide();
        EnablePlayers(true);
        return;
    }
}

void K6VoiceSide::RecordingTick() {
    if (Count > 1) {
        --Count;
        RecordingCountdown->setText(QString::number(Count));
        return;
    }
    RecordingTimer->stop();
    RecordingCountdown->hide();
    audio_->StopPlayback();
    PlayingRow = -1;
    if (RecordingRow >= 0) FinishRecording();
    EnablePlayers(true);
}

void K6VoiceSide::FinishRecording() {
    const int row = std::exchange(RecordingRow, -1);
    const QByteArray samples = audio_->StopRecording();
    const VoiceSlot& s = kVoiceSlots[static_cast<std::size_t>(row)];
    QString error;
    if (!k6media::WriteModuleWav(k6media::RecordedFile(s, StartDir()),
                                 std::span(reinterpret_cast<const std::uint8_t*>(samples.constData()),
                                           static_cast<std::size_t>(samples.size())),
                                 &error)) {
        ShowMessage(Texts.SaveFailed.arg(error));
        return;
    }
    Edits[static_cast<std::size_t>(row)]->setText(QString::fromLatin1(k6media::kInternal));
}

void K6VoiceSide::PageLeft() {
    upload_->Abandon();
}

void K6VoiceSide::Activate() {
    ApplyDevice();
    const QDir dir(StartDir());
    const QString base = dir.filePath(QString::fromLatin1(k6media::kTemplateFile));
    if (!QFile::exists(base)) return;
    for (int row = 0; row < kMessageSlots; ++row) {
        const QString recorded =
            k6media::RecordedFile(kVoiceSlots[static_cast<std::size_t>(row)], StartDir());
        QLineEdit* edit = Edits[static_cast<std::size_t>(row)];
        if (QFile::exists(recorded)) {
            // Every activation comes here, after each dialog too: a file the user chose stays.
            if (edit->text().isEmpty()) edit->setText(QString::fromLatin1(k6media::kInternal));
        } else {
            QFile::copy(base, recorded);
        }
    }
}

void K6VoiceSide::ShowDeveloperButtons(bool shown) {
    for (std::size_t i = kMessageSlots; i < kVoiceSlots.size(); ++i)
        UploadButtons[i]->setVisible(shown);
}

// --- The upload's host ---------------------------------------------------------------------------------

void K6VoiceSide::ShowGauge(int maximum) {
    UploadProgress->setMaximum(std::max(maximum, 1));
    UploadProgress->setValue(0);
    UploadProgress->show();
}

void K6VoiceSide::StepGauge() {
    UploadProgress->setValue(std::min(UploadProgress->value() + 1, UploadProgress->maximum()));
}

void K6VoiceSide::HideGauge() {
    UploadProgress->hide();
}

void K6VoiceSide::ClosePlayer(const VoiceSlot& slot) {
    const int row = RowOf(slot);
    if (RecordingRow == row) {
        FinishRecording();
        RecordingTimer->stop();
        RecordingCountdown->hide();
        EnablePlayers(true);
    }
    if (PlayingRow == row) {
        audio_->StopPlayback();
        PlayingRow = -1;
        EnablePlayers(true);
    }
}

void K6VoiceSide::ReopenPlayers() {
    if (RecordingRow < 0) EnablePlayers(true);
}

void K6VoiceSide::ShowMessage(const QString& text) {
    if (ConfigWindow::MessageBoxHook)
        ConfigWindow::MessageBoxHook(text, QMessageBox::Ok);
    else
        QMessageBox::information(&w_, w_.windowTitle(), text);
}

bool K6VoiceSide::Ask(const QString& text) {
    const QMessageBox::StandardButtons buttons = QMessageBox::Yes | QMessageBox::No;
    if (ConfigWindow::MessageBoxHook) return ConfigWindow::MessageBoxHook(text, buttons) == QMessageBox::Yes;
    return QMessageBox::question(&w_, w_.windowTitle(), text, buttons) == QMessageBox::Yes;
}

void K6VoiceSide::SetEditText(const VoiceSlot& slot, const QString& text) {
    const int row = RowOf(slot);
    if (row >= 0 && row < kMessageSlots) Edits[static_cast<std::size_t>(row)]->setText(text);
}

bool K6VoiceSide::EngineActive() {
    return w_.Transfer().EngineActive;
}

void K6VoiceSide::ApplyTexts() {
    // The developer uploads keep their own captions.
    for (int row = 0; row < k6media::kMessageSlots; ++row)
        if (QPushButton* b = UploadButtons[static_cast<std::size_t>(row)]) b->setText(Texts.Upload);
    for (QWidget* player : Players) {
        if (!player) continue;
        for (auto kind : {PlayerButton::Play, PlayerButton::Stop, PlayerButton::Record}) {
            const QString name = player->objectName() + QString::fromLatin1(ButtonSuffix(kind));
            if (auto* b = player->findChild<QToolButton*>(name))
                b->setText(kind == PlayerButton::Play   ? Texts.Play
                           : kind == PlayerButton::Stop ? Texts.Stop
                                                        : Texts.Record);
        }
    }
    if (FormatLabel) FormatLabel->setText(Texts.Format);
}

} // namespace dalvex
