#include "catalogue_texts.h"

#include "forms.h"
#include "k6_activation.h"
#include "k6_backup_side.h"
#include "k6_text_side.h"
#include "k6_firmware_side.h"
#include "k6_file_commands.h"
#include "k6_history_side.h"
#include "k6_journal_side.h"
#include "k6_modem_side.h"
#include "k6_status_side.h"
#include "k6_voice_side.h"
#include "k6link/config_transfer.h"
#include "k6link/engine.h"
#include "k6link/history_erase.h"
#include "k6link/log_records.h"
#include "k6link/modem_mode.h"
#include "k6link/modem_ops.h"
#include "k6link/status_poll.h"
#include "k6media/firmware_download.h"
#include "k6media/voice_texts.h"
#include "k6media/voice_upload.h"
#include "k6pages/k6pages.h"
#include "serial_trace_switch.h"
#include "start_window.h"
#include "config_window.h"
#include "status_window.h"
#include "monitor_window.h"
#include "event_log_window.h"
#include "k6_send_switch.h"
#include "signal_chart_window.h"

#include <QLabel>
#include <QPushButton>

namespace dalvex {

namespace {

void FillOperationTexts(ConfigWindow& w, const i18n::Catalogue& c, int language, i18n::Pass pass,
                        QStringList* missing) {
    using k6link::EngineTexts;
    using k6link::EraseTexts;
    using k6link::LogTexts;
    using k6link::ModemModeTexts;
    using k6link::ModemTexts;
    using k6link::TransferTexts;
    FillTexts(w.Engine().Texts, {&EngineTexts::VersionCheck, &EngineTexts::ModuleVersion, &EngineTexts::PortLost},
              c, language, pass, missing);
    FillTexts(w.Transfer().Texts,
              {&TransferTexts::Reading, &TransferTexts::ReadDone, &TransferTexts::Sending,
               &TransferTexts::SendDone, &TransferTexts::ContactId, &TransferTexts::ClockRunning,
               &TransferTexts::ClockDone, &TransferTexts::ChangedSending, &TransferTexts::ReadingBack,
               &TransferTexts::ChangedBlocksDone, &TransferTexts::ChangedBytesDone,
               &TransferTexts::NothingChanged, &TransferTexts::NothingSent, &TransferTexts::ReadBackFailed},
              c, language, pass, missing);
    using k6link::WholeReasonTexts;
    FillTexts(w.Transfer().ReasonTexts,
              {&WholeReasonTexts::SwitchedOff, &WholeReasonTexts::NoRead, &WholeReasonTexts::AnotherModule,
               &WholeReasonTexts::PortLost, &WholeReasonTexts::ModuleRestarted,
               &WholeReasonTexts::MemoryWritten, &WholeReasonTexts::FileOpened,
               &WholeReasonTexts::ContactIdChanged, &WholeReasonTexts::NotHeld},
              c, language, pass, missing);
    // The window's one modem-mode entry; the modem side holds a reference to the same object.
    if (w.Status)
        FillTexts(w.Status->Modem().Texts,
                  {&ModemModeTexts::Switching, &ModemModeTexts::ModemMode, &ModemModeTexts::Routing,
                   &ModemModeTexts::Ready},
                  c, language, pass, missing);
    if (w.ModemSide)
        FillTexts(w.ModemSide->Ops().Texts,
                  {&ModemTexts::PhonebookReading,
                   &ModemTexts::PhonebookReadDone,
                   &ModemTexts::PhonebookWriting,
                   &ModemTexts::PhonebookWriteDone,
                   &ModemTexts::PinRunning,
                   &ModemTexts::PinFailed,
                   &ModemTexts::PinError,
                   &ModemTexts::PinOk,
                   &ModemTexts::PinOff,
                   &ModemTexts::WrongPin,
                   &ModemTexts::TestSend,
                   &ModemTexts::TestSms,
                   &ModemTexts::TestSmsSending,
                   &ModemTexts::ImeiPrefix,
                   &ModemTexts::NoNumber,
                   &ModemTexts::ServiceCentreRunning,
                   &ModemTexts::ServiceCentreDone,
                   &ModemTexts::BadNumber,
                   &ModemTexts::BadRowNumber,
                   &ModemTexts::BadRowName},
                  c, language, pass, missing);
    if (w.History) {
        LogTexts& log = w.History->Log().Texts;
        FillTexts(log,
                  {&LogTexts::Input1, &LogTexts::Input2, &LogTexts::Input3, &LogTexts::Input4,
                   &LogTexts::Tamper, &LogTexts::PowerMonitor, &LogTexts::Jammer, &LogTexts::CallIdentified,
                   &LogTexts::CallRejected, &LogTexts::GsmLost, &LogTexts::GsmRegistered, &LogTexts::Closing,
                   &LogTexts::Opening, &LogTexts::Unknown, &LogTexts::NotConnected, &LogTexts::Connected,
                   &LogTexts::Roaming, &LogTexts::Fault, &LogTexts::CsvHeader},
                  c, language, pass, missing);
        FillTextArray(log, &LogTexts::Header, c, language, pass, missing);
        FillTexts(w.History->Erase().Texts, {&EraseTexts::Done}, c, language, pass, missing);
    }
    if (w.Voice) {
        using k6media::VoiceTexts;
        FillTexts(w.Voice->Upload().Texts,
                  {&VoiceTexts::BadFormat, &VoiceTexts::TransferFailed, &VoiceTexts::CannotOpen,
                   &VoiceTexts::IsFolder, &VoiceTexts::TooShort, &VoiceTexts::WrongFormat,
                   &VoiceTexts::Unreadable, &VoiceTexts::Converted, &VoiceTexts::ConvertFailed,
                   &VoiceTexts::Mono, &VoiceTexts::Stereo, &VoiceTexts::Channels},
                  c, language, pass, missing);
    }
    // The firmware download exists once its two windows do; the pass makes neither.
    K6FirmwareSide* f = firmwareImages.Existing() && firmwareWindow.Existing() ? w.FirmwareSide() : nullptr;
    if (f) {
        using k6media::FirmwareTexts;
        FillTexts(f->Download().Texts,
                  {&FirmwareTexts::Headline, &FirmwareTexts::DownloadStart, &FirmwareTexts::DownloadOld,
                   &FirmwareTexts::Exit, &FirmwareTexts::NoNewFirmware, &FirmwareTexts::NotKnownYet,
                   &FirmwareTexts::ProcessorUnknown, &FirmwareTexts::ProcessorJ10Varnet,
                   &FirmwareTexts::ProcessorJ10, &FirmwareTexts::ProcessorJ10Model,
                   &FirmwareTexts::ProcessorJ11, &FirmwareTexts::ProcessorK22,
                   &FirmwareTexts::ProcessorK22Model, &FirmwareTexts::Software, &FirmwareTexts::Hardware,
                   &FirmwareTexts::FaultFirmware, &FirmwareTexts::MemoryDownload,
                   &FirmwareTexts::TransferFailed, &FirmwareTexts::Programming, &FirmwareTexts::NoImage,
                   &FirmwareTexts::Unreadable, &FirmwareTexts::ChecksumMismatch, &FirmwareTexts::StandinRefused,
                   &FirmwareTexts::StandinLoaded},
                  c, language, pass, missing);
    }
}

void FillWindowTexts(ConfigWindow& w, const i18n::Catalogue& c, int language, i18n::Pass pass,
                     QStringList* missing) {
    FillTexts(w.Texts,
              {&K6FormTexts::Customer, &K6FormTexts::RestartQuestion, &K6FormTexts::ExitQuestion,
               &K6FormTexts::NoAnswer, &K6FormTexts::Stop, &K6FormTexts::Stopped, &K6FormTexts::UnsentEdits,
               &K6FormTexts::SendEdits, &K6FormTexts::DiscardEdits, &K6FormTexts::CancelEdits,
               &K6FormTexts::FileSaved, &K6FormTexts::FileOpened, &K6FormTexts::AssignToAllEvents},
              c, language, pass, missing);
    w.StopButton->setText(w.Texts.Stop);
    using k6link::JournalTexts;
    if (startWindow.Existing()) {
        FillTexts(startWindow->Texts,
                  {&StartWindowTexts::NoPermission, &StartWindowTexts::PortBusy,
                   &StartWindowTexts::NoSuchPort, &StartWindowTexts::CannotOpen, &StartWindowTexts::PortLost},
                  c, language, pass, missing);
        FillTexts(startWindow->CutOffTexts, {&JournalTexts::InterruptedBlocks, &JournalTexts::InterruptedBytes}, c,
                  language, pass, missing);
    }
    if (w.Journal) {
        FillTexts(w.Journal->Texts, {&JournalTexts::InterruptedBlocks, &JournalTexts::InterruptedBytes}, c,
                  language, pass, missing);
        FillTexts(w.Journal->OfferTexts,
                  {&JournalOfferTexts::Question, &JournalOfferTexts::SendAgain, &JournalOfferTexts::Read,
                   &JournalOfferTexts::Later, &JournalOfferTexts::NotRecorded},
                  c, language, pass, missing);
    }
    if (w.Pages)
        FillTexts(w.Pages->Texts,
                  {&k6pages::K6PagesTexts::AccentWarning, &k6pages::K6PagesTexts::SecurityCode}, c, language,
                  pass, missing);
    if (w.Adapt)
        FillTexts(w.Adapt->Texts,
                  {&AdaptTexts::PhonebookSim, &AdaptTexts::PhonebookNumber, &AdaptTexts::PhonebookName}, c,
                  language, pass, missing);
    if (w.ModemSide)
        FillTexts(w.ModemSide->Texts,
                  {&K6ModemTexts::PinCaption, &K6ModemTexts::PinPrompt, &K6ModemTexts::DataCallCaption,
                   &K6ModemTexts::VoiceCallCaption, &K6ModemTexts::CallPrompt, &K6ModemTexts::SmsPrompt},
                  c, language, pass, missing);
    if (w.Voice) {
        FillTexts(w.Voice->Texts,
                  {&VoicePageTexts::Title, &VoicePageTexts::Upload, &VoicePageTexts::Format,
                   &VoicePageTexts::Play, &VoicePageTexts::Stop,
                   &VoicePageTexts::Record, &VoicePageTexts::NoOutput, &VoicePageTexts::NoInput,
                   &VoicePageTexts::PlayFailed, &VoicePageTexts::RecordFailed, &VoicePageTexts::SaveFailed,
                   &VoicePageTexts::FileFilterVoice, &VoicePageTexts::FileFilterAll, &VoicePageTexts::ChooseFile,
                   &VoicePageTexts::Uploaded},
                  c, language, pass, missing);
        w.Voice->ApplyTexts();
    }
    if (w.TraceSwitch) {
        FillTexts(w.TraceSwitch->Texts,
                  {&TraceTexts::MenuItem, &TraceTexts::OpenFolder, &TraceTexts::Started, &TraceTexts::Failed},
                  c, language, pass, missing);
        w.TraceSwitch->ApplyTexts();
    }
    {
        using k6config::ConfigFileTexts;
        FillTexts(K6FileCommands::LanguageTexts(),
                  {&ConfigFileTexts::Damaged, &ConfigFileTexts::NotFound, &ConfigFileTexts::AccessDenied,
                   &ConfigFileTexts::TooShort, &ConfigFileTexts::NotANumber, &ConfigFileTexts::Io,
                   &ConfigFileTexts::NotRegular, &ConfigFileTexts::TooLarge, &ConfigFileTexts::NotConfiguration,
                   &ConfigFileTexts::ConfigFilter, &ConfigFileTexts::AllFilter},
                  c, language, pass, missing);
        FillTextArray(K6FileCommands::LanguageTexts(), &ConfigFileTexts::Reasons, c, language, pass, missing);
    }
    if (w.SendSwitch) {
        FillTexts(w.SendSwitch->Texts,
                  {&SendSwitchTexts::MenuItem, &SendSwitchTexts::ChangedBlocks,
                   &SendSwitchTexts::ChangedBytes, &SendSwitchTexts::WholeBlocks,
                   &SendSwitchTexts::WholeBytes},
                  c, language, pass, missing);
        w.SendSwitch->ApplyTexts();
    }
    if (w.Backups) {
        FillTexts(w.Backups->Texts,
                  {&BackupTexts::RestoreItem, &BackupTexts::RestoreTitle, &BackupTexts::RestoreOpen,
                   &BackupTexts::NoBackups, &BackupTexts::SaveFailed, &BackupTexts::Saved,
                   &BackupTexts::ChangesTitle, &BackupTexts::ChangesIntro, &BackupTexts::NoChanges,
                   &BackupTexts::Send, &BackupTexts::Cancel, &BackupTexts::Page, &BackupTexts::Field,
                   &BackupTexts::Before, &BackupTexts::After, &BackupTexts::RawBytes, &BackupTexts::Row},
                  c, language, pass, missing);
        if (w.Backups->RestoreItem) w.Backups->RestoreItem->setText(w.Backups->Texts.RestoreItem);
    }
    if (w.TextSide) {
        FillTexts(w.TextSide->Texts,
                  {&TextSideTexts::SheetItem, &TextSideTexts::PrintItem, &TextSideTexts::ExportItem,
                   &TextSideTexts::ImportItem, &TextSideTexts::SheetTitle, &TextSideTexts::Secrets,
                   &TextSideTexts::Paper, &TextSideTexts::Failed},
                  c, language, pass, missing);
        w.TextSide->ShowTexts();
    }
    if (statusWindow.Existing()) {
        using k6link::StatusTexts;
        // The line voltage's caption, until a poll puts a value behind it.
        const bool lineCaption =
            statusWindow->LineVoltage && statusWindow->LineVoltage->text() == statusWindow->Texts.LineVoltage;
        FillTexts(statusWindow->Texts,
                  {&StatusTexts::NoError, &StatusTexts::ModemConfig, &StatusTexts::NoGsmModule,
                   &StatusTexts::NoSim, &StatusTexts::SimLocked, &StatusTexts::ModemMode,
                   &StatusTexts::GsmTime, &StatusTexts::LineVoltage, &StatusTexts::RegOk, &StatusTexts::ComOk,
                   &StatusTexts::ComError, &StatusTexts::Connect},
                  c, language, pass, missing);
        FillTextArray(statusWindow->Texts, &StatusTexts::Network, c, language, pass, missing);
        if (lineCaption) statusWindow->LineVoltage->setText(statusWindow->Texts.LineVoltage);
    }
    if (monitorWindow.Existing()) {
        FillTexts(monitorWindow->Texts,
                  {&MonitorTexts::Warning, &MonitorTexts::SaveTitle, &MonitorTexts::TextFilter,
                   &MonitorTexts::SpoolLost},
                  c, language, pass, missing);
        if (monitorWindow->WarningLabel) monitorWindow->WarningLabel->setText(monitorWindow->Texts.Warning);
    }
    if (eventLogWindow.Existing()) {
        FillTexts(eventLogWindow->Texts,
                  {&LogWindowTexts::Read, &LogWindowTexts::Stop, &LogWindowTexts::Export,
                   &LogWindowTexts::ExportFilter},
                  c, language, pass, missing);
        if (w.History) w.History->Bind();
        eventLogWindow->ApplyTexts();
    }
    if (signalChartWindow.Existing()) {
        FillTexts(signalChartWindow->Texts,
                  {&SignalWindowTexts::Read, &SignalWindowTexts::Zoom, &SignalWindowTexts::Clear}, c,
                  language, pass, missing);
        signalChartWindow->ApplyTexts();
    }
}

} // namespace

void FillCatalogueTexts(ConfigWindow& w, const i18n::Catalogue& c, int language, i18n::Pass pass,
                        QStringList* missing) {
    // The operations first: the event-log window's header comes from the event log's texts.
    FillOperationTexts(w, c, language, pass, missing);
    FillWindowTexts(w, c, language, pass, missing);
}

} // namespace dalvex
