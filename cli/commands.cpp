#include "commands.h"

#include "cli/config_files.h"
#include "cli/text_commands.h"

#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "k6config/backups.h"
#include "k6config/config_file.h"
#include "k6link/engine.h"
#include "k6link/event_log.h"
#include "k6link/history_erase.h"
#include "k6link/memory_write.h"
#include "k6link/signal_memory.h"
#include "k6media/firmware_download.h"
#include "k6media/voice_upload.h"
#include "serial/com_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/file.h>
#include <unistd.h>

namespace dalvex::cli {

namespace {

constexpr int kLastPort = 64;
// A probe of every port waits at most this long on each.
constexpr double kProbeAllSeconds = 2;
// The module ends a memory write after a second without bytes.
constexpr unsigned long kVoiceQuietMs = 1500;

QString Describe(const Session& s, const k6link::Engine& e) {
    return QStringLiteral("%1 (type %2, software %3)")
        .arg(s.ModelName)
        .arg(s.ModuleCode)
        .arg(k6link::Engine::VersionText(e.Version));
}

// Identifies the module on the request's port; kOk when it answered.
int Connect(Session& s) {
    if (const int r = s.Prepare(); r != kOk) return r;
    return s.Identify();
}

// The send journal's entry of a send that did not complete, for scripts.
QJsonObject CutOffSendJson(const k6config::JournalEntry& e) {
    return {{"time", e.when.toString(Qt::ISODate)},
            {"written", e.written},
            {"planned", e.planned},
            {"units", e.bytes ? QStringLiteral("bytes") : QStringLiteral("blocks")}};
}

// --- ports ---------------------------------------------------------------------------------------

int Ports(const Request& r) {
    namespace fs = std::filesystem;
    const fs::path folder = portsFolder();
    const bool all = r.flags.contains("--all");
    Out(QStringLiteral("# ports folder %1").arg(QString::fromStdString(folder.string())));
    for (int n = 1; n <= kLastPort; ++n) {
        const std::string name = comPortName(n);
        auto device = resolveComDevice(name);
        std::error_code ec;
        // The device itself rather than the link that names it.
        if (device)
            if (const fs::path real = fs::weakly_canonical(*device, ec); !ec) device = real.string();
        const bool linked = fs::is_symlink(folder / ("com" + std::to_string(n)), ec);
        const bool exists = device && fs::exists(*device, ec);
        if (!all && !linked && !exists) continue;
        QString state;
        if (!exists) {
            state = QStringLiteral("missing");
        } else {
            const bool readable = access(device->c_str(), R_OK | W_OK) == 0;
            state = readable ? QStringLiteral("exists, readable")
                             : QStringLiteral("exists, no permission (dialout?)");
            if (readable) {
                const int fd = ::open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
                bool free = fd >= 0;
                if (fd >= 0) {
                    free = flock(fd, LOCK_EX | LOCK_NB) == 0;
                    ::close(fd);
                }
                state += free ? QStringLiteral(", free") : QStringLiteral(", busy");
            }
        }
        Out(QStringLiteral("%1 %2 %3")
                .arg(QString::fromStdString(comDisplayName(name)), -9)
                .arg(device ? QString::fromStdString(*device) : QStringLiteral("-"), -24)
                .arg(state));
    }
    return kOk;
}

// --- probe ---------------------------------------------------------------------------------------

int ProbeOne(Options o, bool json, QJsonArray* list) {
    Session s(o);
    const int r = Connect(s);
    if (r != kOk) {
        if (list) list->append(QJsonObject{{"port", o.port}, {"error", QStringLiteral("no answer")}});
        return r;
    }
    QJsonObject object{{"port", o.port},
                       {"model", s.ModelName},
                       {"code", s.ModuleCode},
                       {"version", k6link::Engine::VersionText(s.Engine().Version)}};
    if (s.SayCutOffSend()) object.insert("cutOffSend", CutOffSendJson(*s.Journal().Recorded(s.ModuleCode)));
    if (list)
        list->append(object);
    else if (json)
        Out(QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)));
    else
        Out(QStringLiteral("%1: %2").arg(o.port, Describe(s, s.Engine())));
    return kOk;
}

int Probe(const Request& r) {
    const bool json = r.flags.contains("--json");
    if (!r.flags.contains("--all")) return ProbeOne(r.options, json, nullptr);
    if (r.values.contains("--port"))
        return Fail(QStringLiteral("probe: --port and --all exclude each other"), kUsageError);
    QJsonArray list;
    int found = 0;
    for (int n = 1; n <= kLastPort; ++n) {
        const std::string name = comPortName(n);
        const auto device = resolveComDevice(name);
        std::error_code ec;
        if (!device || !std::filesystem::exists(*device, ec)) continue;
        Options o = r.options;
        o.port = QString::fromStdString(comDisplayName(name));
        o.timeoutSeconds = std::min(o.timeoutSeconds, kProbeAllSeconds);
        o.quiet = true;
        QJsonArray one;
        if (ProbeOne(o, false, &one) == kOk) {
            ++found;
            if (!json) {
                const QJsonObject m = one[0].toObject();
                Out(QStringLiteral("%1: %2 (type %3, software %4)")
                        .arg(o.port, m["model"].toString())
                        .arg(m["code"].toInt())
                        .arg(m["version"].toString()));
            }
        }
        if (json) list.append(one[0]);
    }
    if (json) Out(QString::fromUtf8(QJsonDocument(list).toJson(QJsonDocument::Compact)));
    return found > 0 ? kOk : Fail(QStringLiteral("no module answered on any port"), kModuleError);
}

// --- read, send, clock -----------------------------------------------------------------------------

int Read(const Request& r) {
    const QString out = r.values.value("--output");
    if (out.isEmpty()) return Fail(QStringLiteral("read: -o FILE.dat is needed"), kUsageError);
    // Known before the module is asked for anything, not after a transfer of half a minute.
    if (const auto error = CheckOutput(out)) return Fail(*error, kUsageError);
    if (const auto error = CheckOutput(ModuleNotePath(out))) return Fail(*error, kUsageError);
    Session s(r.options);
    if (const int rc = Connect(s); rc != kOk) return rc;
    // A completed read clears the entry: the file shows what the module holds, whatever mix it is.
    s.SayCutOffSend();
    if (const QString v = r.values.value("--contact-id"); !v.isEmpty())
        s.ContactId = v == QLatin1String("yes");
    if (const int rc = s.Run(QStringLiteral("read"),
                             [&](k6link::EndFn done) {
                                 s.CountProgressOver(s.Transfer().ReadUnits(s.ContactId));
                                 s.Transfer().StartRead(std::move(done), s.ContactId);
                             });
        rc != kOk)
        return rc;

    k6config::CustomerFields fields;
    k6config::FillEmptyCustomerFields(fields);
    if (const auto saved = k6config::SaveConfigFile(out, s.Engine().ConfigImage, fields); !saved)
        return Fail(FileErrorText(saved, out), kUsageError);
    const bool contactIdRead = HasContactIdTables(s.Engine().ModuleType) && s.ContactId &&
                               s.Engine().Version >= k6link::ConfigTransfer::kBytewiseBelowVersion;
    const QByteArray note = QStringLiteral("type=%1\nversion=%2\nmodel=%3\ncontactid=%4\n")
                                .arg(s.ModuleCode)
                                .arg(s.Engine().Version)
                                .arg(s.ModelName)
                                .arg(contactIdRead ? 1 : 0)
                                .toUtf8();
    if (const auto error = WriteModuleNote(out, note)) return Fail(*error, kUsageError);
    s.Bar().Say(QStringLiteral("Read %1 into %2").arg(Describe(s, s.Engine()), k6config::ShownName(out)));
    return kOk;
}

// What `dalvex-cli send --changed-since` tells about a send that went whole, or by what changed.
QString ChangedSendText(Session& s, const QString& old, const k6link::SendReport& report, bool clock) {
    const k6link::ConfigTransfer& t = s.Transfer();
    if (report.whole == k6link::WholeReason::NotHeld) {
        const QString where =
            report.notHeld && report.notHeld->IsBlock()
                ? QStringLiteral("the block at 0x%1").arg(report.notHeld->Address(), 6, 16, QLatin1Char('0'))
                : QStringLiteral("byte %1").arg(report.notHeld ? report.notHeld->index : 0);
        return QStringLiteral("The module does not hold %1 (%2 differs): the whole configuration is sent")
            .arg(old, where);
    }
    if (report.whole != k6link::WholeReason::None)
        return QStringLiteral("The whole configuration was sent: %1")
            .arg(s.Localise(t.ReasonTexts.Text(report.whole)));
    if (report.written == 0)
        return clock ? QStringLiteral("Nothing differs from %1: only the clock was set").arg(old)
                     : QStringLiteral("Nothing differs from %1: nothing was sent").arg(old);
    const bool bytes = s.Engine().Version < k6link::ConfigTransfer::kBytewiseBelowVersion;
    return bytes ? QStringLiteral("Only what differs from %1 was sent: %2 bytes, each echoed by the module")
                       .arg(old)
                       .arg(report.written)
                 : QStringLiteral("Only what differs from %1 was sent: %2 blocks, read back as sent")
                       .arg(old)
                       .arg(report.written);
}

// What a send that did not complete leaves, said; the exit status `rc` it ended with.
int SendNotCompleted(Session& s, const Request& r, int rc) {
    const QString again = s.Journal().Recorded(s.ModuleCode)
                              ? QStringLiteral(" (dalvex-cli send --again sends the recorded configuration)")
                              : QString();
    if (s.StoppedByUser)
        return Fail(QStringLiteral("stopped: the module on %1 now holds a partial configuration; send it again "
                                   "before using it%2")
                        .arg(r.options.port, again),
                    rc);
    if (rc == kModuleError)
        s.Bar().Say(QStringLiteral("The send did not complete: the module may hold a partial configuration%1.")
                        .arg(again),
                    true);
    return rc;
}

// send --again: what the module's last send was sending when it was cut off, whole.
int SendAgain(const Request& r) {
    if (r.values.contains("--changed-since"))
        return Fail(QStringLiteral("send --again sends the whole configuration; --changed-since does not go with it"),
                    kUsageError);
    Session s(r.options);
    if (const int rc = Connect(s); rc != kOk) return rc;
    const auto entry = s.Journal().Recorded(s.ModuleCode);
    if (!entry)
        return Fail(QStringLiteral("no send to the %1 on %2 is recorded as cut off; nothing was sent")
                        .arg(s.ModelName, r.options.port),
                    kUsageError);
    s.SayCutOffSend();
    if (const auto loaded = s.Journal().Journal().LoadImage(*entry, s.Engine().ConfigImage, s.Customer); !loaded)
        return Fail(FileErrorText(loaded, entry->imagePath), kUsageError);
    const QString contactId = r.values.value("--contact-id");
    s.ContactId = contactId.isEmpty() ? entry->contactId : contactId == QLatin1String("yes");
    const bool noClock = r.flags.contains("--no-clock");
    // Nothing is known of what the module holds: the send is the whole one.
    const int rc = s.Run(
        QStringLiteral("send"),
        [&](k6link::EndFn done) {
            s.Transfer().StartSend(k6link::SendOptions{!noClock, s.ContactId}, std::move(done));
        },
        true);
    if (rc != kOk) return SendNotCompleted(s, r, rc);
    s.Bar().Say(QStringLiteral("Sent again to %1 what the send of %2 was sending%3")
                    .arg(Describe(s, s.Engine()), entry->when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                         noClock ? QStringLiteral("; the clock was left as it was")
                                 : QStringLiteral("; clock set to the PC's")));
    return kOk;
}

int Send(const Request& r) {
    if (r.flags.contains("--again")) return SendAgain(r);
    const QString file = r.positional.value(0);
    const QString contactId = r.values.value("--contact-id");
    const QString old = r.values.value("--changed-since");
    if (!contactId.isEmpty() && contactId != QLatin1String("yes") && contactId != QLatin1String("no"))
        return Fail(QStringLiteral("--contact-id takes yes or no"), kUsageError);

    Session s(r.options);
    k6config::CustomerFields fields;
    OpenedConfiguration opened;
    if (const auto error = OpenConfiguration(file, s.Engine().ConfigImage, fields, opened))
        return Fail(*error, kUsageError);
    // What the technician says the module holds.
    std::optional<k6config::ConfigImage> held;
    OpenedConfiguration heldOpened;
    if (!old.isEmpty()) {
        held.emplace();
        k6config::CustomerFields unused;
        if (const auto error = OpenConfiguration(old, *held, unused, heldOpened)) return Fail(*error, kUsageError);
    }
    s.Customer = fields;
    const FileNote note = opened.note;
    const std::optional<int> fileType = note.type;
    if (const int rc = Connect(s); rc != kOk) return rc;
    const bool cutOff = s.SayCutOffSend();
    if (fileType && *fileType != s.ModuleCode) {
        if (!r.flags.contains("--force"))
            return Fail(
                QStringLiteral("%1 holds the configuration of a %2 (type %3); the module on %4 is a %5. "
                               "Nothing was sent (--force sends it anyway).")
                    .arg(file, ModelOfType(*fileType))
                    .arg(*fileType)
                    .arg(r.options.port, Describe(s, s.Engine())),
                kUsageError);
        s.Bar().Say(QStringLiteral("Warning: sending a type %1 configuration to a type %2 module (--force)")
                        .arg(*fileType)
                        .arg(s.ModuleCode));
    } else if (!fileType) {
        s.Bar().Say(QStringLiteral("Note: %1 does not say which module type it was read from").arg(file));
    }
    if (!contactId.isEmpty()) {
        s.ContactId = contactId == QLatin1String("yes");
    } else if (note.withoutContactId && s.ContactId) {
        // Sending the bank of such a file would overwrite the module's tables with what the file
        // never held.
        s.ContactId = false;
        s.Bar().Say(QStringLiteral("Note: %1 was read without the Contact ID tables; they are not sent "
                                   "(--contact-id yes sends them)")
                        .arg(file));
    }
    if (held) {
        // The bank counts only when it goes; a file read without it knows nothing of it.
        const FileNote oldNote = heldOpened.note;
        if (cutOff) {
            // A sample of unchanged blocks cannot tell which ones the cut-off send reached.
            s.Bar().Say(QStringLiteral("Note: the last send to this module did not complete; the whole "
                                       "configuration is sent"));
            held.reset();
        } else if (!oldNote.type || *oldNote.type == s.ModuleCode) {
            s.Transfer().AssumeHeld(*held, s.ContactId && !oldNote.withoutContactId);
        } else {
            s.Bar().Say(QStringLiteral("Note: %1 holds the configuration of a type %2 module; the whole "
                                       "configuration is sent")
                            .arg(old)
                            .arg(*oldNote.type));
        }
    }
    const bool noClock = r.flags.contains("--no-clock");
    // A fall-back to the whole send is said when it happens, not after the long send.
    bool toldWhole = false;
    if (held)
        s.OnTick = [&] {
            if (!toldWhole && s.Transfer().LastSend().whole == k6link::WholeReason::NotHeld) {
                toldWhole = true;
                s.Bar().Say(ChangedSendText(s, old, s.Transfer().LastSend(), !noClock));
            }
        };
    const int rc = s.Run(
        QStringLiteral("send"),
        [&](k6link::EndFn done) {
            s.Transfer().StartSend(k6link::SendOptions{!noClock, s.ContactId}, std::move(done));
        },
        true);
    s.OnTick = nullptr;
    if (s.StoppedByUser) return SendNotCompleted(s, r, rc);
    if (s.Ended && s.Ended->reason == k6link::FailReason::NotVerified)
        return Fail(
            QStringLiteral("the blocks read back from the module on %1 differ from what was sent; send "
                           "%2 again without --changed-since")
                .arg(r.options.port, file),
            kModuleError);
    if (rc != kOk) return SendNotCompleted(s, r, rc);
    if (held && !toldWhole) s.Bar().Say(ChangedSendText(s, old, s.Transfer().LastSend(), !noClock));
    s.Bar().Say(QStringLiteral("Sent %1 to %2%3")
                    .arg(file, Describe(s, s.Engine()),
                         noClock ? QStringLiteral("; the clock was left as it was")
                                   : QStringLiteral("; clock set to the PC's")));
    return kOk;
}

int ClockSet(const Request& r) {
    Session s(r.options);
    if (const int rc = Connect(s); rc != kOk) return rc;
    if (const int rc = s.Run(QStringLiteral("clock"),
                             [&](k6link::EndFn done) { s.Transfer().StartClockSync(std::move(done)); });
        rc != kOk)
        return rc;
    s.Bar().Say(QStringLiteral("Clock of %1 set to the PC's").arg(Describe(s, s.Engine())));
    return kOk;
}

// --- log, signal, erase-history ----------------------------------------------------------------------

// Checks that the output file can be written before the module is asked for anything.
int CheckOutputOf(const QString& out, const char* command) {
    if (out.isEmpty())
        return Fail(QStringLiteral("%1: -o FILE.csv is needed").arg(QLatin1String(command)), kUsageError);
    if (const auto error = CheckOutput(out)) return Fail(*error, kUsageError);
    return kOk;
}

int SaveOutput(Session& s, const QString& out, const QByteArray& data, const QString& done) {
    if (const auto saved = k6config::WriteFileAtomically(out, data); !saved)
        return Fail(FileErrorText(saved, out), kUsageError);
    s.Bar().Say(done);
    return kOk;
}

class LogSide final : public k6link::EventLogHost {
public:
    explicit LogSide(Session& s)
        : s_(s) {}
    void ShowLogProgress(bool) override {}
    void SetLogProgress(int) override { s_.Alive(); }
    void SetLogRows(int firstRow, std::span<const k6link::LogRow> rows) override {
        Rows.resize(static_cast<std::size_t>(std::max(0, firstRow - 1)));
        Rows.insert(Rows.end(), rows.begin(), rows.end());
        s_.Alive();
        s_.Bar().Move(static_cast<int>(Rows.size()));
    }
    std::vector<k6link::LogRow> Rows;

private:
    Session& s_;
};

int Log(const Request& r) {
    const QString out = r.values.value("--output");
    if (const int rc = CheckOutputOf(out, "log"); rc != kOk) return rc;
    Session s(r.options);
    LogSide side(s);
    k6link::EventLog log(s.Engine(), side);
    if (const int rc = Connect(s); rc != kOk) return rc;
    const int rc = s.Run(QStringLiteral("log records"), [&](k6link::EndFn done) {
        log.Start(std::move(done));
        s.Bar().Set(k6link::EventLog::kRecordLimit - k6link::EventLog::kFirstRecord, 0);
    });
    if (rc != kOk) {
        log.Stop();
        return rc;
    }
    return SaveOutput(s, out, k6link::LogCsv(side.Rows, log.Texts),
                      QStringLiteral("Read %1 log records of %2 into %3")
                          .arg(side.Rows.size())
                          .arg(Describe(s, s.Engine()), k6config::ShownName(out)));
}

class SignalSide final : public k6link::SignalHost {
public:
    explicit SignalSide(Session& s)
        : s_(s) {}
    void ClearSignalChart() override { Samples.clear(); }
    void AddSignalSamples(std::span<const k6link::SignalSample> samples) override {
        Samples.insert(Samples.end(), samples.begin(), samples.end());
        s_.Alive();
        s_.Bar().Move(static_cast<int>(Samples.size()));
    }
    std::vector<k6link::SignalSample> Samples;

private:
    Session& s_;
};

int Signal(const Request& r) {
    const QString out = r.values.value("--output");
    if (const int rc = CheckOutputOf(out, "signal"); rc != kOk) return rc;
    Session s(r.options);
    SignalSide side(s);
    k6link::SignalMemory signal(s.Engine(), side);
    if (const int rc = Connect(s); rc != kOk) return rc;
    const int rc = s.Run(QStringLiteral("signal samples"), [&](k6link::EndFn done) {
        signal.Start(std::move(done));
        s.Bar().Set(k6link::SignalMemory::kBlocks * 256, 0);
    });
    if (rc != kOk) return rc;
    QByteArray csv = "sample,value\r\n";
    for (std::size_t i = 0; i < side.Samples.size(); ++i)
        csv += QByteArray::number(static_cast<qulonglong>(i + 1)) + ',' +
               QByteArray::number(side.Samples[i].value) + "\r\n";
    return SaveOutput(s, out, csv,
                      QStringLiteral("Read %1 signal samples of %2 into %3")
                          .arg(side.Samples.size())
                          .arg(Describe(s, s.Engine()), k6config::ShownName(out)));
}

int EraseHistory(const Request& r) {
    if (!r.flags.contains("--yes"))
        return Fail(QStringLiteral("erase-history erases the module's event log and signal-strength memory; "
                                   "add --yes to do it"),
                    kUsageError);
    Session s(r.options);
    k6link::HistoryErase erase(s.Engine());
    if (const int rc = Connect(s); rc != kOk) return rc;
    if (const int rc = s.Run(QStringLiteral("erase"), [&](k6link::EndFn done) { erase.Start(std::move(done)); });
        rc != kOk)
        return rc;
    s.Bar().Say(QStringLiteral("Erased the event log and the signal memory of %1; the module restarts")
                    .arg(Describe(s, s.Engine())));
    return kOk;
}

// --- voice ----------------------------------------------------------------------------------------

class VoiceSide final : public k6media::VoiceUploadHost {
public:
    VoiceSide(Session& s, bool force)
        : s_(s)
        , force_(force) {}
    void ShowGauge(int maximum) override { s_.Bar().Set(maximum, 0); }
    void StepGauge() override {
        s_.Alive();
        s_.Bar().Step();
    }
    void HideGauge() override {}
    void ClosePlayer(const k6media::VoiceSlot&) override {}
    void ReopenPlayers() override {}
    void ShowMessage(const QString& text) override {
        s_.Bar().Say(s_.Localise(text), true);
    }
    // The conversion offer for a file in another format: a script gets no question. Without
    // --force nothing is sent; with it the file goes as it is, as when the offer is declined.
    bool Ask(const QString& text) override {
        s_.Bar().Say(s_.Localise(text).section(QLatin1Char('\n'), 0, 1), true);
        if (!force_) Refused = true;
        return false;
    }
    void SetEditText(const k6media::VoiceSlot&, const QString&) override {}
    bool EngineActive() override { return false; }

    bool Refused = false;

private:
    Session& s_;
    bool force_;
};

int Voice(const Request& r) {
    bool ok = false;
    const int slot = r.values.value("--slot").toInt(&ok);
    const auto messageSlots = k6media::MessageSlots();
    if (!ok || slot < 1 || slot > static_cast<int>(messageSlots.size()))
        return Fail(QStringLiteral("voice: --slot 1..%1 is needed").arg(messageSlots.size()), kUsageError);
    const QString file = r.positional.value(0);
    Session s(r.options);
    k6link::MemoryWrite memoryWrite(s.Engine());
    VoiceSide side(s, r.flags.contains("--force"));
    k6media::VoiceUpload upload(s.Engine(), memoryWrite, side);
    // A FIFO or a device is refused before the voice code opens it. That code opens files by a
    // QString of their own: a name that is not UTF-8 goes by the descriptor checked here.
    k6config::InputFile voiceFile;
    if (const auto opened = voiceFile.Open(file); !opened) return Fail(FileErrorText(opened, file), kUsageError);
    const QString voicePath = k6config::NameBytes(file) == file.toUtf8()
                                  ? QFileInfo(file).absoluteFilePath()
                                  : QStringLiteral("/proc/self/fd/%1").arg(voiceFile.Descriptor());
    if (const int rc = Connect(s); rc != kOk) return rc;
    const k6media::VoiceSlot& chosen = messageSlots[static_cast<std::size_t>(slot - 1)];
    bool started = false;
    const int rc = s.Run(QStringLiteral("voice blocks"), [&](k6link::EndFn done) {
        started = upload.Start(chosen, voicePath, QDir::currentPath(), std::move(done));
        if (!started || side.Refused) upload.Abandon();
    });
    if (!started || side.Refused)
        return Fail(QStringLiteral("%1: nothing was sent%2")
                        .arg(file, side.Refused ? QStringLiteral(" (the module takes 8 kHz, 8 bit, mono PCM; "
                                                                 "--force sends the file as it is)")
                                                : QString()),
                    kUsageError);
    // A message shorter than the memory write's block budget leaves the module taking what comes
    // next as voice data until the line has been quiet for a second: a command of the next
    // dalvex-cli run straight after would be swallowed.
    QThread::msleep(kVoiceQuietMs);
    if (rc != kOk) return rc; // a failed transfer has been said (ShowMessage)
    s.Bar().Say(QStringLiteral("Uploaded %1 as message %2 (%3) to %4")
                    .arg(file)
                    .arg(slot)
                    .arg(QLatin1String(chosen.message), Describe(s, s.Engine())));
    return kOk;
}

// --- firmware -------------------------------------------------------------------------------------

class FirmwareSide final : public k6media::FirmwareHost {
public:
    explicit FirmwareSide(Session& s)
        : s_(s) {}
    QString ModelName(int typeCode) override { return ModelOfType(typeCode); }
    void ShowProcessor(const QString& text) override { Processor = text; }
    void ShowModuleVersions(const QString& software, const QString& hardware, const QString&) override {
        Versions = software + QLatin1Char(' ') + hardware;
    }
    void EnableDownload(bool enabled) override { DownloadEnabled = enabled; }
    void ShowNoNewFirmware(bool shown) override { NoNewFirmware = shown; }
    void SetHeadline(const QString&) override { s_.Alive(); }
    // Set back to 0 while the module programs itself: the bar stays full.
    void SetProgress(int position) override {
        if (position > 0) s_.Bar().Move(position);
    }
    void StepProgress() override {
        s_.Alive();
        s_.Bar().Step();
    }
    void StartProgrammingTimer() override {}
    void ShowMessage(const QString& text) override {
        s_.Bar().Say(s_.Localise(text), true);
    }

    QString Processor;
    QString Versions;
    bool DownloadEnabled = false;
    bool NoNewFirmware = false;

private:
    Session& s_;
};

int FirmwareLoad(const Request& r) {
    Session s(r.options);
    k6link::MemoryWrite memoryWrite(s.Engine());
    k6media::FirmwareData data;
    FirmwareSide side(s);
    k6media::FirmwareDownload download(s.Engine(), memoryWrite, data, side);
    // The refusals carry the file or model in them: localised before they are filled in.
    using T = k6media::FirmwareTexts;
    for (QString T::*text : {&T::NoImage, &T::Unreadable, &T::ChecksumMismatch, &T::StandinRefused})
        download.Texts.*text = s.Localise(download.Texts.*text);
    if (const int rc = Connect(s); rc != kOk) return rc;
    if (const int rc = s.Run(QStringLiteral("processor"),
                             [&](k6link::EndFn done) { download.StartProcessorQuery(std::move(done)); });
        rc != kOk)
        return rc;
    s.Bar().Say(QStringLiteral("%1: %2, %3").arg(r.options.port, side.Processor, side.Versions));
    const bool old = r.flags.contains("--old");
    if (!side.DownloadEnabled && !old) {
        if (side.NoNewFirmware) {
            s.Bar().Say(
                QStringLiteral("No newer firmware for the module on %1 (--old loads the image anyway)")
                    .arg(r.options.port));
            return kOk;
        }
        return Fail(
            QStringLiteral("no firmware image for the processor of the module on %1").arg(r.options.port),
            kModuleError);
    }
    const int before = s.Engine().Version;
    k6media::PreparedImage image;
    const int rc = s.Run(QStringLiteral("firmware blocks"), [&](k6link::EndFn done) {
        image = download.ConvertAndStart(std::move(done));
        if (image.ok()) s.Bar().Set(k6media::kFirmwareBlocks, 0);
    });
    // The refusal's reason has been said (ShowMessage).
    if (!image.ok()) return kModuleError;
    if (s.Ended && s.Ended->outcome == k6link::Outcome::Failed)
        return Fail(s.Localise(download.Texts.TransferFailed) +
                        QStringLiteral(": the module's firmware was not programmed"),
                    kModuleError);
    if (rc != kOk) return rc;
    s.Bar().Say(QStringLiteral("Firmware loaded into %1 (software %2 before)")
                    .arg(Describe(s, s.Engine()), k6link::Engine::VersionText(before)));
    return kOk;
}

const Command kCommands[] = {
    {"ports", 0, Ports},    {"probe", 0, Probe},
    {"read", 0, Read},      {"send", 1, Send, "--again"},
    {"clock", 0, ClockSet}, {"log", 0, Log},
    {"signal", 0, Signal},  {"erase-history", 0, EraseHistory},
    {"voice", 1, Voice},    {"firmware", 0, FirmwareLoad},
    {"export", 1, ExportText}, {"import", 1, ImportText},
    {"diff", 2, DiffFiles},    {"sheet", 1, SheetPdf},
};

} // namespace

const Command* FindCommand(const QString& name) {
    for (const Command& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

} // namespace dalvex::cli
