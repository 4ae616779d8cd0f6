#include "send_journal_keeper.h"

#include "i18n/catalogue.h"
#include "k6link/engine_host.h"
#include "serial/com_names.h"

#include <QLocale>
#include <algorithm>
#include <utility>

namespace dalvex::k6link {

QString JournalPortName(const QString& port) {
    if (const auto n = comPortNumber(port.toStdString())) return QStringLiteral("COM%1").arg(*n);
    return port;
}

QString JournalTexts::Text(const k6config::JournalEntry& entry, int language) const {
    // Day before month in every language served, English included.
    const QLocale locale(language == i18n::English ? QStringLiteral("en_GB") : i18n::LanguageCode(language));
    const QDateTime when = entry.when.toLocalTime();
    return (entry.bytes ? InterruptedBytes : InterruptedBlocks)
        .arg(locale.toString(when.date(), QLocale::ShortFormat),
             locale.toString(when.time(), QLocale::ShortFormat),
             QString::number(std::min(entry.written, entry.planned)), QString::number(entry.planned));
}

SendJournalKeeper::SendJournalKeeper(Engine& engine, ConfigTransfer& transfer, ModuleFn module,
                                     QString folder)
    : e_(engine)
    , transfer_(transfer)
    , module_(std::move(module))
    , journal_(std::move(folder)) {
    e_.AddObserver({[this] { BeforeWrite(); }, [this] { BlockDone(); },
                    [this](const OperationEnd& end) { Ended(end); }});
}

QString SendJournalKeeper::Port() const {
    const QString port = e_.Host().ReadSetting(QStringLiteral("comport"));
    return JournalPortName(port.isEmpty() ? QString::fromLatin1(Engine::kDefaultPort) : port);
}

std::optional<k6config::JournalEntry> SendJournalKeeper::Recorded(int moduleCode) const {
    return journal_.Find(Port(), moduleCode);
}

bool SendJournalKeeper::IsWriteState(std::int32_t s) const {
    using namespace state;
    return s == WriteBytes || s == WriteContactId || s == WriteBank35 || s == WriteBlocks ||
           s == WriteChangedBytes || s == WriteChangedBlocks;
}

void SendJournalKeeper::BeforeWrite() {
    if (!IsWriteState(e_.OpState)) return;
    const ConfigTransfer::Writes w = transfer_.SendWrites();
    if (w.units <= 0) return;
    // A send by what changed that turned whole on the way is recorded anew, counting from there.
    if (send_.active && w.units == send_.planned && w.whole == send_.whole) return;
    LastError.clear();
    const Module m = module_();
    journal_.Close();
    send_ = Send{true, w.whole, false, m.code, Port(), w.units, 0, w.bytes};
    if (!w.whole && journal_.Find(send_.port, send_.code)) return;

    k6config::JournalEntry entry;
    entry.port = send_.port;
    entry.moduleCode = m.code;
    entry.model = m.model;
    entry.version = e_.Version;
    entry.when = QDateTime::currentDateTime();
    entry.planned = w.units;
    entry.bytes = w.bytes;
    entry.contactId = w.contactId;
    if (const k6config::FileResult r = journal_.Begin(entry, e_.ConfigImage, m.customer); !r) {
        Failed(r.detail);
        return;
    }
    send_.recorded = true;
}

void SendJournalKeeper::BlockDone() {
    if (!send_.active || !IsWriteState(e_.OpState)) return;
    // The byte-wise send of a line simulator model goes on with whole banks: bytes, counted so.
    const bool bank = e_.OpState == state::WriteContactId || e_.OpState == state::WriteBank35;
    send_.written += send_.bytes && bank ? 256 : 1;
    if (send_.recorded && !journal_.Progress(send_.written) && LastError.isEmpty())
        Failed(QStringLiteral("the count could not be updated"));
}

void SendJournalKeeper::Ended(const OperationEnd& end) {
    const Send s = std::exchange(send_, Send{});
    journal_.Close();
    if (!s.active) LastError.clear(); // an operation that wrote nothing missed no record
    // Try-out moves nothing: its "completed" read says nothing about a module.
    if (end.outcome != Outcome::Done || e_.DemoMode) return;
    if (s.active) {
        if (s.whole || s.recorded) journal_.Remove(s.port, s.code);
        return;
    }
    if (end.startState == state::ReadBytes || end.startState == state::ReadBlocks)
        journal_.Remove(Port(), module_().code);
}

void SendJournalKeeper::Failed(const QString& why) {
    LastError = QStringLiteral("%1: %2").arg(journal_.Folder(), why);
    if (OnError) OnError(LastError);
}

} // namespace dalvex::k6link
