#include "gsm_modem.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
#include <utility>

namespace dalvex::sim {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;
constexpr std::uint8_t kCtrlZ = 0x1A;
constexpr std::uint8_t kEsc = 0x1B;
// Longer lines and SMS texts are dropped rather than grown without end.
constexpr std::size_t kLineMax = 556;
constexpr std::size_t kSmsMax = 1000;
constexpr std::size_t kSmsChars = 160;

const std::string kOk = "OK";
const std::string kError = "ERROR";

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

std::string trim(std::string_view s) {
    const auto notSpace = [](char c) { return c != ' ' && c != '\t'; };
    const auto b = std::find_if(s.begin(), s.end(), notSpace);
    const auto e = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return b < e ? std::string(b, e) : std::string();
}

// Splits a parameter list at the commas outside double quotes; quoted parameters keep their quotes.
std::vector<std::string> splitArgs(std::string_view args) {
    std::vector<std::string> out(1);
    bool quoted = false;
    for (char c : args) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted) {
            out.emplace_back();
            continue;
        }
        out.back() += c;
    }
    for (std::string& a : out)
        a = trim(a);
    return out;
}

// The text of a quoted parameter; nothing when it is not one quoted string.
std::optional<std::string> unquote(const std::string& arg) {
    if (arg.size() < 2 || arg.front() != '"' || arg.back() != '"') return std::nullopt;
    const std::string inner = arg.substr(1, arg.size() - 2);
    if (inner.find('"') != std::string::npos) return std::nullopt;
    return inner;
}

std::optional<int> number(std::string_view s) {
    int v = 0;
    const char* end = s.data() + s.size();
    auto [ptr, ec] = std::from_chars(s.data(), end, v);
    if (s.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    return v;
}

bool validNumber(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '*' || c == '#' || c == 'p' ||
               c == 'P' || c == 'w' || c == 'W';
    });
}

std::string crlf(std::string_view s) {
    return "\r\n" + std::string(s) + "\r\n";
}

} // namespace

std::optional<ModemFaultSetting> parseModemFault(std::string_view text, std::string* error) {
    auto fail = [error](std::string message) -> std::optional<ModemFaultSetting> {
        if (error) *error = std::move(message);
        return std::nullopt;
    };
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const auto it = std::find_if(kModemFaults.begin(), kModemFaults.end(),
                                 [name](const ModemFaultInfo& f) { return f.name == name; });
    if (it == kModemFaults.end()) return fail("unknown modem failure mode \"" + std::string(name) + "\"");
    ModemFaultSetting setting{it->fault, 0};
    if (colon == std::string_view::npos) return setting;
    const auto n = number(text.substr(colon + 1));
    if (!n || *n < 0)
        return fail("the count of \"" + std::string(name) + "\" must be a whole number from 0 up");
    setting.after = *n;
    return setting;
}

std::string modemFaultHelp(int indent) {
    constexpr std::size_t kNameWidth = 16;
    std::string out;
    for (const ModemFaultInfo& f : kModemFaults) {
        const std::string name = std::string(f.name) + (f.fault == ModemFault::None ? "" : "[:N]");
        out += std::string(static_cast<std::size_t>(std::max(indent, 0)), ' ') + name +
               std::string(name.size() < kNameWidth ? kNameWidth - name.size() : 1, ' ') +
               std::string(f.description) + "\n";
    }
    return out;
}

GsmModem::GsmModem(ModuleSim& module)
    : module_(module) {
    module_.registerCommand(kCmdModemMode, [this](Exchange& ex) {
        const SixByteFrame& f = ex.frame();
        ex.replyFrame(kAckMark, kCmdModemMode, f.addressLow(), f.data());
        enter();
    });
    // The monitor off that closing the SMS service-centre window sends must be answered also
    // when the module is not in modem mode. A monitor mode of the module's own, registered
    // before (or after) this, takes the command over.
    if (!module_.hasCommand(kCmdMonitor))
        module_.registerCommand(kCmdMonitor, [](Exchange& ex) {
            ex.replyFrame(kAckMark, kModeMark, ex.frame().addressLow(), 0);
        });
}

bool GsmModem::active() const {
    return module_.rawMode();
}

void GsmModem::enter() {
    ++entries_;
    input_ = Input::Idle;
    line_.clear();
    recentCount_ = 0;
    module_.setRawHandler([this](ModuleSim&, std::uint8_t byte) { receive(byte); });
}

void GsmModem::leave() {
    ++exits_;
    input_ = Input::Idle;
    line_.clear();
    recentCount_ = 0;
    module_.clearRawHandler();
}

std::optional<PhonebookEntry> GsmModem::entry(int index) const {
    if (index < 1 || index > kPhonebookSize) return std::nullopt;
    return phonebook_[static_cast<std::size_t>(index - 1)];
}

bool GsmModem::setEntry(int index, PhonebookEntry entry) {
    if (index < 1 || index > kPhonebookSize) return false;
    phonebook_[static_cast<std::size_t>(index - 1)] = std::move(entry);
    return true;
}

void GsmModem::clearPhonebook() {
    phonebook_.fill(std::nullopt);
}

void GsmModem::fillPhonebook(int count) {
    clearPhonebook();
    for (int i = 1; i <= std::min(count, kPhonebookSize); ++i) {
        std::string digits = std::to_string(i);
        digits.insert(0, 4 - std::min<std::size_t>(4, digits.size()), '0');
        setEntry(i, {"+3630100" + digits, "Name " + std::to_string(i)});
    }
}

int GsmModem::usedEntries() const {
    return static_cast<int>(
        std::count_if(phonebook_.begin(), phonebook_.end(), [](const auto& e) { return e.has_value(); }));
}

bool GsmModem::loadPhonebook(const std::string& path, std::string* error) {
    auto fail = [&](std::string message) {
        if (error) *error = std::move(message);
        return false;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) return fail("cannot read " + path);
    std::array<std::optional<PhonebookEntry>, kPhonebookSize> loaded;
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (trim(line).empty() || trim(line).front() == '#') continue;
        const char sep = line.find(';') != std::string::npos ? ';' : ',';
        const std::size_t a = line.find(sep);
        const std::size_t b = a == std::string::npos ? a : line.find(sep, a + 1);
        const auto where = path + ":" + std::to_string(lineNo) + ": ";
        if (b == std::string::npos) return fail(where + "expected index" + sep + "number" + sep + "name");
        const auto index = number(trim(line.substr(0, a)));
        const std::string num = trim(line.substr(a + 1, b - a - 1));
        const std::string name = line.substr(b + 1);
        if (!index || *index < 1 || *index > kPhonebookSize)
            return fail(where + "the index must be 1 to " + std::to_string(kPhonebookSize));
        if (num.empty() || num.size() > kPhonebookNumberMax || !validNumber(num))
            return fail(where + "the number must be 1 to 40 of the characters 0-9 + * # p w");
        if (name.size() > kPhonebookNameMax || name.find('"') != std::string::npos)
            return fail(where + "the name must be at most 33 characters without a double quote");
        loaded[static_cast<std::size_t>(*index - 1)] = PhonebookEntry{num, name};
    }
    phonebook_ = loaded;
    return true;
}

void GsmModem::setFault(ModemFault fault, int after, int lines) {
    fault_ = fault;
    faultAfter_ = std::max(0, after);
    faultLines_ = lines;
}

ModemFault GsmModem::faultForNextLine() {
    if (fault_ == ModemFault::None) return fault_;
    if (faultAfter_ > 0) {
        --faultAfter_;
        return ModemFault::None;
    }
    if (faultLines_ == 0) return ModemFault::None;
    if (faultLines_ > 0) --faultLines_;
    return fault_;
}

void GsmModem::send(const std::string& bytes) {
    if (bytes.empty()) return;
    module_.sendRaw(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

void GsmModem::receive(std::uint8_t byte) {
    if (takeFrame(byte)) return;
    if (input_ == Input::Text)
        textByte(byte);
    else
        commandByte(byte);
}

bool GsmModem::takeFrame(std::uint8_t byte) {
    if (recentCount_ == recent_.size()) {
        std::copy(recent_.begin() + 1, recent_.end(), recent_.begin());
        --recentCount_;
    }
    recent_[recentCount_++] = byte;
    if (recentCount_ < recent_.size() || !SixByteFrame::isValid(recent_)) return false;
    const SixByteFrame frame = SixByteFrame::fromBytes(recent_);
    const std::uint8_t cmd = frame.command();
    if (cmd == kCmdModemMode) {
        recentCount_ = 0;
        input_ = Input::Idle;
        line_.clear();
        ++entries_;
        const SixByteFrame ack =
            SixByteFrame::make(kAckMark, kCmdModemMode, frame.addressLow(), frame.data());
        module_.sendRaw(ack.bytes, ReplyKind::Frame);
        return true;
    }
    if (cmd == kCmdMonitor && !module_.hasCommand(kCmdMonitor)) {
        leave();
        const SixByteFrame ack = SixByteFrame::make(kAckMark, kModeMark, frame.addressLow(), 0);
        module_.sendRaw(ack.bytes, ReplyKind::Frame);
        return true;
    }
    // The status read ends modem mode even where the module does not answer it: it closes the
    // GSM reset, which awaits no reply.
    if (cmd != kCmdReadStatus && !module_.hasCommand(cmd)) return false;
    leave();
    module_.handleFrame(frame);
    return true;
}

void GsmModem::commandByte(std::uint8_t byte) {
    const char c = static_cast<char>(byte);
    switch (input_) {
    case Input::Idle:
        if (c == 'A' || c == 'a') {
            line_.assign(1, c);
            input_ = Input::SawA;
        }
        return;
    case Input::SawA:
        if (c == 'T' || c == 't') {
            line_ += c;
            input_ = Input::Line;
        } else if (c == 'A' || c == 'a') {
            line_.assign(1, c);
        } else {
            input_ = Input::Idle;
        }
        return;
    case Input::Line:
        if (byte == kCr) {
            input_ = Input::Idle;
            runLine(std::exchange(line_, {}));
            return;
        }
        line_ += c;
        if (line_.size() > kLineMax) {
            line_.clear();
            input_ = Input::Idle;
        }
        return;
    case Input::Text:
        return;
    }
}

void GsmModem::textByte(std::uint8_t byte) {
    if (byte == kEsc) {
        input_ = Input::Idle;
        send(smsText_ + crlf(kOk));
        smsText_.clear();
        return;
    }
    if (byte != kCtrlZ) {
        if (smsText_.size() < kSmsMax) smsText_ += static_cast<char>(byte);
        return;
    }
    input_ = Input::Idle;
    std::string out = echo_ ? smsText_ : std::string();
    if (smsText_.size() > kSmsChars) {
        out += crlf(kError);
    } else {
        sentSms_.push_back({smsNumber_, smsText_});
        out += crlf("+CMGS: " + std::to_string(sentSms_.size())) + crlf(kOk);
    }
    smsText_.clear();
    send(out);
}

void GsmModem::runLine(const std::string& line) {
    lines_.push_back(line);
    const ModemFault fault = faultForNextLine();
    if (fault == ModemFault::NoAnswer) return;
    std::string out = echo_ ? line + "\r" : std::string();
    if (fault == ModemFault::Unsolicited) out += crlf(unsolicited_);
    if (fault == ModemFault::Error) {
        send(out + crlf(kError));
        return;
    }
    std::vector<std::string> info;
    const std::string result = execute(line.substr(2), info);
    for (const std::string& i : info)
        out += crlf(i);
    // The SMS prompt is the only answer without a final result: the text follows.
    if (input_ == Input::Text)
        out += "\r\n" + result;
    else
        out += crlf(result);
    send(out);
}

std::string GsmModem::execute(const std::string& command, std::vector<std::string>& info) {
    const std::string cmd = upper(command);
    auto args = [&](std::string_view head) { return command.substr(head.size()); };
    auto is = [&](std::string_view head) { return cmd.rfind(head, 0) == 0; };

    if (cmd.empty()) return kOk;
    if (cmd == "Z" || cmd == "Z0") {
        ++resets_;
        echo_ = true;
        return kOk;
    }
    if (cmd == "E0" || cmd == "E1") {
        echo_ = cmd == "E1";
        return kOk;
    }
    if (is("D")) {
        const std::string dial = command.substr(1);
        const bool voice = !dial.empty() && dial.back() == ';';
        const std::string digits = voice ? dial.substr(0, dial.size() - 1) : dial;
        dialled_.push_back(dial);
        if (digits.empty() || !validNumber(digits)) return kError;
        return voice ? kOk : "NO CARRIER";
    }
    if (cmd == "+COLP=0" || cmd == "+COLP=1" || cmd == "+CMGF=1" || cmd == "+CMGF=0") return kOk;
    if (cmd == "+CPBS=\"SM\"") return kOk;
    if (cmd == "+CPBS?") {
        info.push_back("+CPBS: \"SM\"," + std::to_string(usedEntries()) + "," +
                       std::to_string(kPhonebookSize));
        return kOk;
    }
    if (is("+CPBR=")) return phonebookRead(args("+CPBR="), info);
    if (is("+CPBW=")) return phonebookWrite(args("+CPBW="));
    if (cmd == "+CPIN?") {
        if (simBlocked()) return kError;
        info.push_back(pinLock_ && !pinEntered_ ? "+CPIN: SIM PIN" : "+CPIN: READY");
        return kOk;
    }
    if (is("+CPIN=")) return pinCommand(args("+CPIN="));
    if (is("+CLCK=")) return lockCommand(args("+CLCK="));
    if (cmd == "+CGSN" || cmd == "+GSN") {
        info.push_back(identity_.imei);
        return kOk;
    }
    if (cmd == "+CGMR" || cmd == "+GMR") {
        info.push_back(identity_.revision);
        return kOk;
    }
    if (cmd == "+SJDR?") {
        info.push_back(std::string("+SJDR: ") + (identity_.jammerDetect ? "1" : "0") + ",0,255,0");
        return kOk;
    }
    if (cmd == "+CIMI") {
        info.push_back(identity_.imsi);
        return kOk;
    }
    if (cmd == "+CSCA?") {
        info.push_back("+CSCA: \"" + identity_.serviceCentre + "\"," +
                       (identity_.serviceCentre.starts_with("+") ? "145" : "129"));
        return kOk;
    }
    if (is("+CSCA=")) {
        const std::vector<std::string> a = splitArgs(args("+CSCA="));
        const auto num = unquote(a[0]);
        if (!num || num->empty() || !validNumber(*num) || a.size() > 2) return kError;
        if (a.size() == 2 && !number(a[1])) return kError;
        identity_.serviceCentre = *num;
        return kOk;
    }
    if (cmd == "+CBAND?") {
        info.push_back("+CBAND: " + identity_.band);
        return kOk;
    }
    if (cmd == "+COPS?") {
        info.push_back("+COPS: 0,0,\"" + identity_.operatorName + "\"");
        return kOk;
    }
    if (cmd == "+CSQ") {
        info.push_back("+CSQ: 20,0");
        return kOk;
    }
    if (is("+CMGS=")) {
        const auto num = unquote(trim(args("+CMGS=")));
        if (!num || num->empty() || !validNumber(*num)) return kError;
        smsNumber_ = *num;
        smsText_.clear();
        input_ = Input::Text;
        return "> ";
    }
    return kError;
}

std::string GsmModem::phonebookRead(const std::string& args, std::vector<std::string>& info) const {
    const std::vector<std::string> a = splitArgs(args);
    if (a.size() > 2) return kError;
    const auto first = number(a[0]);
    const auto last = a.size() == 2 ? number(a[1]) : first;
    if (!first || !last || *first < 1 || *last > kPhonebookSize || *first > *last) return kError;
    for (int i = *first; i <= *last; ++i) {
        const auto& e = phonebook_[static_cast<std::size_t>(i - 1)];
        if (!e) continue;
        info.push_back("+CPBR: " + std::to_string(i) + ",\"" + e->number + "\"," + std::to_string(e->type()) +
                       ",\"" + e->name + "\"");
    }
    return kOk;
}

std::string GsmModem::phonebookWrite(const std::string& args) {
    const std::vector<std::string> a = splitArgs(args);
    const auto index = number(a[0]);
    if (!index || *index < 1 || *index > kPhonebookSize) return kError;
    if (a.size() == 1) {
        phonebook_[static_cast<std::size_t>(*index - 1)].reset();
        return kOk;
    }
    if (a.size() > 4) return kError;
    const auto num = unquote(a[1]);
    if (!num || num->empty() || num->size() > kPhonebookNumberMax || !validNumber(*num)) return kError;
    if (a.size() >= 3 && !number(a[2])) return kError;
    std::string name;
    if (a.size() == 4) {
        const auto n = unquote(a[3]);
        if (!n || n->size() > kPhonebookNameMax) return kError;
        name = *n;
    }
    phonebook_[static_cast<std::size_t>(*index - 1)] = PhonebookEntry{*num, name};
    return kOk;
}

std::string GsmModem::pinCommand(const std::string& args) {
    const auto pin = unquote(trim(args));
    if (!pin || simBlocked()) return kError;
    if (*pin != pin_) {
        --pinTriesLeft_;
        return kError;
    }
    pinTriesLeft_ = kPinAttempts;
    pinEntered_ = true;
    return kOk;
}

std::string GsmModem::lockCommand(const std::string& args) {
    const std::vector<std::string> a = splitArgs(args);
    if (upper(a[0]) != "\"SC\"" || a.size() < 2 || simBlocked()) return kError;
    const auto mode = number(a[1]);
    if (!mode || *mode < 0 || *mode > 2) return kError;
    if (*mode == 2) return kOk;
    const auto pin = a.size() >= 3 ? unquote(a[2]) : std::nullopt;
    if (!pin) return kError;
    if (*pin != pin_) {
        --pinTriesLeft_;
        return kError;
    }
    pinTriesLeft_ = kPinAttempts;
    pinLock_ = *mode == 1;
    return kOk;
}

} // namespace dalvex::sim
