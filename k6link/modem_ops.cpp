#include "modem_ops.h"

#include "k6config/cp1250.h"
#include "k6link/core_states.h"
#include "k6link/engine_host.h"

namespace dalvex::k6link {

namespace {

LineArgs IndexArgs(int index) {
    LineArgs a;
    a.index = index;
    return a;
}
LineArgs PinArgs(const QString& pin) {
    LineArgs a;
    a.pin = pin.toLatin1();
    return a;
}
LineArgs NumberArgs(const QString& number) {
    LineArgs a;
    a.number = number.toLatin1();
    return a;
}
LineArgs EntryArgs(int index, const QString& number, const QString& name) {
    LineArgs a = NumberArgs(number);
    a.index = index;
    a.name = k6config::ToCp1250(name);
    return a;
}
LineArgs TextArgs(const QString& text) {
    LineArgs a;
    a.text = k6config::ToCp1250(text);
    return a;
}

} // namespace

ModemOps::ModemOps(Engine& engine, ModemMode& modem, ModemHost& host)
    : e_(engine)
    , modem_(modem)
    , host_(host) {
    Register();
    // The phonebook's buttons and progress come back whatever modem operation was abandoned, also
    // one still switching the module to its modem.
    e_.AddAbandonHandler([this](std::int32_t s, std::int32_t next) {
        const auto mine = [](std::int32_t t) {
            return (t >= state::PhonebookSelect && t <= state::ServiceCentre) ||
                   (t >= state::DataCallTest && t <= state::GsmInfoLast);
        };
        if (!mine(s) && !mine(next)) return;
        host_.ShowPhonebookProgress(false);
        host_.EnablePhonebookRead(true);
        host_.EnablePhonebookWrite(true);
    });
}

void ModemOps::SendLine(ModemLine line, const LineArgs& args) {
    const QByteArray bytes = BuildLine(line, args);
    e_.SendBytes(std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                               static_cast<std::size_t>(bytes.size())));
}

void ModemOps::Register() {
    StateTable& t = e_.States();

    // Phonebook read. The CPBS answer is not looked at: the first CPBR goes out when the
    // countdown has run out.
    t.add(StateDef(state::PhonebookSelect)
              .sends([this](Engine&) {
                  SendLine(ModemLine::PhonebookSelect);
                  PhonebookIndex = 1;
              })
              .countdown(kSelectTicks)
              .thenAtOnce(state::PhonebookRead));
    t.add(StateDef(state::PhonebookRead)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::PhonebookRead, IndexArgs(PhonebookIndex));
                  e.ShowStatus(Texts.PhonebookReading);
              })
              .countdown(kReadTicks)
              .replies(
                  [this](Engine& e, Reply r) {
                      const PhonebookReply reply = ReadPhonebookReply(r);
                      if (reply.kind == PhonebookReplyKind::Waiting) return false;
                      if (reply.kind == PhonebookReplyKind::Entry) {
                          host_.SetPhonebookRow(PhonebookRow, reply.index, reply.number, reply.name);
                          ++PhonebookRow;
                      }
                      e.ClearRx();
                      host_.StepPhonebookProgress();
                      ++PhonebookIndex;
                      const bool done = reply.kind == PhonebookReplyKind::Empty
                                            ? PhonebookIndex > kScanEmptyUpTo
                                            : PhonebookIndex > kPhonebookEntries;
                      if (done)
                          FinishPhonebookRead();
                      else
                          e.SendStep();
                      return true;
                  },
                  ReplyKind::Text));

    // Phonebook write: grid row n goes to SIM index n; rows without a number are passed over.
    t.add(StateDef(state::PhonebookWriteSelect)
              .sends([this](Engine&) {
                  SendLine(ModemLine::PhonebookSelect);
                  PhonebookIndex = 1;
              })
              .countdown(kWriteSelectTicks)
              .replies(
                  [](Engine& e, Reply r) {
                      if (!EndsWithOk(r)) return false;
                      e.OpState = state::PhonebookWrite;
                      e.ClearRx();
                      return true;
                  },
                  ReplyKind::Text));
    t.add(StateDef(state::PhonebookWrite)
              .sends([this](Engine& e) {
                  while (PhonebookIndex < kPhonebookRows && host_.PhonebookNumber(PhonebookIndex).isEmpty()) {
                      ++PhonebookIndex;
                      host_.StepPhonebookProgress();
                  }
                  if (PhonebookIndex >= kPhonebookRows) {
                      host_.ShowPhonebookProgress(false);
                      e.OpState = state::Idle;
                      e.ShowStatus(Texts.PhonebookWriteDone);
                      host_.EnablePhonebookWrite(true);
                      return;
                  }
                  const std::optional<QString> number = DialableNumber(host_.PhonebookNumber(PhonebookIndex));
                  QString name = host_.PhonebookName(PhonebookIndex);
                  if (name.isEmpty()) name = QStringLiteral("SIM") + QString::number(PhonebookIndex);
                  // The grid stays editable during the write: a row changed since the start is
                  // checked again, and a bad one ends the write before it is sent.
                  if (!number || !CheckName(name)) {
                      host_.ShowPhonebookProgress(false);
                      e.OpState = state::Idle;
                      host_.EnablePhonebookWrite(true);
                      e.Host().ShowMessage(
                          (number ? Texts.BadRowName : Texts.BadRowNumber).arg(PhonebookIndex));
                      return;
                  }
                  // The digits go to the SIM; the grid keeps the number as it was typed.
                  SendLine(ModemLine::PhonebookWrite, EntryArgs(PhonebookIndex, *number, name));
                  e.ShowStatus(Texts.PhonebookWriting);
                  e.ClearRx();
              })
              .countdown(kWriteTicks)
              .replies(
                  [this](Engine& e, Reply r) {
                      if (!EndsWithOk(r)) return false;
                      ++PhonebookIndex;
                      host_.StepPhonebookProgress();
                      e.ClearRx();
                      e.SendStep();
                      return true;
                  },
                  ReplyKind::Text));

    // SIM PIN switch-off: each countdown in 36 and 38 is one pass of the wait.
    t.add(StateDef(state::PinEnter)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::PinEnter, PinArgs(SimPin));
                  e.ShowStatus(Texts.PinRunning);
                  PinWait = kPinPasses;
              })
              .thenAtOnce(state::PinWait));
    t.add(StateDef(state::PinWait)
              .sends([this](Engine&) { PinPass(); })
              .replies(
                  [this](Engine& e, Reply r) {
                      if (!OkAt(r, kPinOkAt)) return false;
                      e.OpState = state::PinLockOff;
                      e.ShowStatus(Texts.PinOk);
                      e.TimeoutTicks = kPinOkTicks;
                      return true;
                  },
                  ReplyKind::Text));
    t.add(StateDef(state::PinLockOff)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::PinLockOff, PinArgs(SimPin));
                  e.ShowStatus(Texts.PinRunning);
                  PinWait = kLockPasses;
              })
              .thenAtOnce(state::PinLockWait));
    t.add(StateDef(state::PinLockWait)
              .sends([this](Engine&) { PinPass(); })
              .replies(
                  [this](Engine& e, Reply r) {
                      if (!OkAt(r, kLockOkAt) || static_cast<int>(r.size()) != kLockReplyLength) return false;
                      e.OpState = state::Idle;
                      e.ShowStatus(Texts.PinOff);
                      return true;
                  },
                  ReplyKind::Text));

    // Call and SMS tests: nothing is awaited.
    t.add(StateDef(state::DataCallTest)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::DataCall, NumberArgs(DialNumber));
                  e.ShowStatus(Texts.TestSend);
              })
              .thenAtOnce(state::Idle));
    t.add(StateDef(state::VoiceCallTest)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::VoiceCall, NumberArgs(DialNumber));
                  e.ShowStatus(Texts.TestSend);
              })
              .thenAtOnce(state::Idle));
    t.add(StateDef(state::SmsTest)
              .sends([this](Engine&) { SendLine(ModemLine::SmsStart, NumberArgs(DialNumber)); })
              .thenAtOnce(state::SmsTestText));
    t.add(StateDef(state::SmsTestText)
              .sends([this](Engine& e) {
                  SendLine(ModemLine::SmsText, TextArgs(Texts.TestSms));
                  e.ShowStatus(Texts.TestSmsSending);
              })
              .thenAtOnce(state::Idle));

    t.add(StateDef(state::Imei)
              .sends([this](Engine&) { SendLine(ModemLine::Imei); })
              .replies(
                  [this](Engine& e, Reply r) {
                      const std::optional<QString> imei = ReadImeiReply(r);
                      if (!imei) return false;
                      // Idle before the message box: its event loop lets the timers tick.
                      e.OpState = state::Idle;
                      e.ClearRx();
                      e.Host().ShowMessage(Texts.ImeiPrefix + *imei);
                      return true;
                  },
                  ReplyKind::Text));

    // GSM reset.
    t.add(StateDef(state::GsmReset)
              .sends([this](Engine&) { SendLine(ModemLine::Reset); })
              .replies(
                  [](Engine& e, Reply r) {
                      if (!OkAt(r, kResetOkAt)) return false;
                      e.OpState = state::GsmResetColp;
                      e.ClearRx();
                      return true;
                  },
                  ReplyKind::Text));
    t.add(StateDef(state::GsmResetColp)
              .sends([this](Engine&) { SendLine(ModemLine::ConnectedLineOff); })
              .replies(
                  [](Engine& e, Reply r) {
                      if (!OkAt(r, kColpOkAt)) return false;
                      e.OpState = state::GsmResetStatus;
                      e.ClearRx();
                      return true;
                  },
                  ReplyKind::Text));
    t.add(StateDef(state::GsmResetStatus)
              .sends([](Engine& e) { e.SendFrame(Frame(2, Cmd::ReadStatus, 0, 0)); })
              .thenAtOnce(state::GsmResetDone));
    // The reset parks the engine here until the user starts another operation.
    t.add(StateDef(state::GsmResetDone));

    // GSM information: one query per state, each answer fills one field.
    for (std::size_t i = 0; i < kInfoQueries.size(); ++i) {
        const InfoQuery& q = kInfoQueries[i];
        const std::int32_t s = state::GsmInfo + static_cast<std::int32_t>(i);
        t.add(StateDef(s)
                  .sends([this, q](Engine&) { SendLine(q.line); })
                  .countdown(kInfoTicks)
                  .replies(
                      [this, q, s](Engine& e, Reply r) {
                          const std::optional<QString> text = ReadInfoReply(q, r);
                          if (!text) return false;
                          host_.SetInfoField(q.field, *text);
                          e.TimeoutTicks = 1;
                          e.OpState = s == state::GsmInfoLast ? state::Idle : s + 1;
                          e.ClearRx();
                          return true;
                      },
                      ReplyKind::Text));
    }

    t.add(StateDef(state::ServiceCentre)
              .sends([this](Engine&) { SendLine(ModemLine::ServiceCentre, NumberArgs(ServiceNumber)); })
              .countdown(kServiceCentreTicks)
              .replies(
                  [this](Engine& e, Reply r) {
                      if (!EndsWithOk(r)) return false;
                      e.OpState = state::Idle;
                      e.ClearRx();
                      host_.SetServiceCentreStatus(Texts.ServiceCentreDone);
                      return true;
                  },
                  ReplyKind::Text));
}

bool ModemOps::PinPass() {
    if (--PinWait > 0) return true;
    e_.ShowStatus(Texts.PinFailed);
    e_.Fail(FailReason::PinRefused);
    e_.Host().ShowMessage(Texts.PinError);
    return false;
}

void ModemOps::FinishPhonebookRead() {
    host_.ShowPhonebookProgress(false);
    e_.ShowStatus(Texts.PhonebookReadDone);
    e_.OpState = state::Idle;
    host_.EnablePhonebookRead(true);
    host_.EnablePhonebookWrite(true);
}

void ModemOps::StartPhonebookRead(EndFn onEnd) {
    // Without a module the engine ends the operation at its first step: the grid keeps its rows
    // and the buttons stay as they are.
    if (e_.DemoMode) return;
    host_.ClearPhonebook();
    host_.SetPhonebookProgress(kPhonebookEntries, 0);
    host_.ShowPhonebookProgress(true);
    host_.EnablePhonebookWrite(false);
    PhonebookIndex = 1;
    PhonebookRow = 1;
    modem_.Enter(state::PhonebookSelect, true, std::move(onEnd));
}

bool ModemOps::StartPhonebookWrite(EndFn onEnd) {
    if (e_.DemoMode) return false;
    for (int row = 1; row <= kPhonebookEntries; ++row) {
        const QString number = host_.PhonebookNumber(row);
        if (number.isEmpty()) continue;
        if (!DialableNumber(number)) {
            e_.Host().ShowMessage(Texts.BadRowNumber.arg(row));
            return false;
        }
        if (!CheckName(host_.PhonebookName(row))) {
            e_.Host().ShowMessage(Texts.BadRowName.arg(row));
            return false;
        }
    }
    host_.SetPhonebookProgress(kPhonebookEntries, 0);
    host_.ShowPhonebookProgress(true);
    host_.EnablePhonebookWrite(false);
    PhonebookIndex = 1;
    PhonebookRow = 1;
    modem_.Enter(state::PhonebookWriteSelect, true, std::move(onEnd));
    return true;
}

bool ModemOps::StartPinSwitchOff(const QString& pin, EndFn onEnd) {
    if (!CheckPin(pin)) {
        e_.Host().ShowMessage(Texts.WrongPin);
        return false;
    }
    SimPin = pin;
    modem_.Enter(state::PinEnter, true, std::move(onEnd));
    return true;
}

std::optional<QString> ModemOps::DialableOrRefused(const QString& number) {
    std::optional<QString> dialable = DialableNumber(number);
    if (!dialable) e_.Host().ShowMessage(Texts.BadNumber);
    return dialable;
}

bool ModemOps::StartDataCall(const QString& number, EndFn onEnd) {
    const std::optional<QString> dialable = DialableOrRefused(number);
    if (!dialable) return false;
    DialNumber = *dialable;
    modem_.Enter(state::DataCallTest, true, std::move(onEnd));
    return true;
}

bool ModemOps::StartVoiceCall(const QString& number, EndFn onEnd) {
    const std::optional<QString> dialable = DialableOrRefused(number);
    if (!dialable) return false;
    DialNumber = *dialable;
    modem_.Enter(state::VoiceCallTest, true, std::move(onEnd));
    return true;
}

bool ModemOps::StartSmsTest(const QString& number, EndFn onEnd) {
    if (number.isEmpty()) return false;
    const std::optional<QString> dialable = DialableOrRefused(number);
    if (!dialable) return false;
    DialNumber = *dialable;
    modem_.Enter(state::SmsTest, true, std::move(onEnd));
    return true;
}

void ModemOps::StartImei(EndFn onEnd) {
    modem_.Enter(state::Imei, true, std::move(onEnd));
}

void ModemOps::StartGsmReset(EndFn onEnd) {
    modem_.Enter(state::GsmReset, true, std::move(onEnd));
}

void ModemOps::StartGsmInfo(EndFn onEnd) {
    for (int field = 1; field <= info_field::Count; ++field)
        host_.SetInfoField(field, QString());
    modem_.Enter(state::GsmInfo, false, std::move(onEnd));
}

bool ModemOps::StartServiceCentre(const QString& number, EndFn onEnd) {
    if (number.isEmpty()) {
        e_.Host().ShowMessage(Texts.NoNumber);
        return false;
    }
    const std::optional<QString> dialable = DialableOrRefused(number);
    if (!dialable) return false;
    host_.SetServiceCentreStatus(Texts.ServiceCentreRunning);
    ServiceNumber = *dialable;
    modem_.Enter(state::ServiceCentre, false, std::move(onEnd));
    return true;
}

} // namespace dalvex::k6link
