// dalvex-sim: a K6 module on a pseudo-terminal, linked into the ports folder as a COM port so that
// Dalvex finds it like a module on a cable. Runs until SIGINT, SIGTERM or SIGHUP. A COM name that
// exists already (the user's own link to an adapter, another simulator) is refused, never taken
// over, and at the end only the link made here is removed.

#include "i18n/program_version.h"
#include "serial/com_names.h"
#include "sim/faults.h"
#include "sim/gsm_modem.h"
#include "sim/history_data.h"
#include "sim/presets.h"
#include "sim/pty_module.h"

#include <array>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <iostream>
#include <optional>
#include <pthread.h>
#include <string>
#include <string_view>

namespace {

using dalvex::sim::FaultSetting;

struct Options {
    int type = dalvex::sim::kDefaultTypeCode;
    int version = dalvex::sim::kDefaultVersion;
    int baud = 0;
    FaultSetting fault;
    std::optional<dalvex::sim::Processor> processor;
    int com = 1;
    dalvex::sim::Preset preset = dalvex::sim::Preset::Empty;
    int logRecords = -1;    // -1: what the preset holds
    int signalSamples = -1; // -1: what the preset holds
    std::string ports;
    std::optional<std::array<std::uint8_t, dalvex::sim::kStatusRegisters>> status; // fixed registers
    int traceRate = dalvex::sim::kDefaultTraceLinesPerSecond;
    bool help = false;
    // --version without a number: the program's version.
    bool showVersion = false;
    std::string phonebook;  // file of SIM phonebook entries
    int phonebookFill = -1; // entries 1..N generated
    std::optional<std::string> pin;
    dalvex::sim::ModemFaultSetting modemFault;
};

constexpr int kUsageError = 2;

void printHelp() {
    std::cout
        << "Usage: dalvex-sim [options]\n"
           "A K6 module in software on a pseudo-terminal, linked as a COM port in the ports folder.\n"
           "\n"
           "  --type N         type code the module answers (72, 73, 74, 75; default 72)\n"
           "  --version N      software version times ten (84 means 8.4; default 84); without N:\n"
           "                   show the program's name and version\n"
           "  --baud N         pace the line as N baud (default 0: no pacing)\n"
           "  --fault NAME[:N] failure mode (default none; see below)\n"
           "  --processor P,H  processor and hardware code the processor query answers\n"
           "                   (default: those of the type, e.g. 10,74 for type 74)\n"
           "  --com N          COM port number to link (default 1)\n"
           "  --preset NAME    what the module holds at start (default empty):\n"
           "                   empty  fresh memory\n"
           "                   demo   a programmed module of the type: phone numbers, inputs, SMS texts,\n"
           "                          outputs, Contact ID, server profiles, 400 event log records,\n"
           "                          6000 signal samples and a SIM phonebook; the options below win\n"
           "  --log-records N  fill the event log with N realistic records (0 to 16384; default 0,\n"
           "                   or the preset's)\n"
           "  --signal-samples N\n"
           "                   fill the signal-strength memory with N samples (0 to 327424; default 0,\n"
           "                   or the preset's)\n"
           "  --ports DIR      folder of the comN links (default "
        << dalvex::portsFolder()
        << ")\n"
           "  --status HEX     the 16 status registers (512..527) as 32 hex digits, kept as given\n"
           "                   (default: a healthy module whose registers change every second)\n"
           "  --trace-rate N   monitor trace lines per second (default "
        << dalvex::sim::kDefaultTraceLinesPerSecond
        << ")\n"
           "  --phonebook FILE SIM phonebook of the GSM modem: lines index;number;name\n"
           "  --phonebook-fill N  SIM phonebook entries 1 to N filled with generated numbers\n"
           "  --pin PIN        SIM PIN of the GSM modem (default 1234)\n"
           "  --modem-fault NAME[:N]  failure mode of the GSM modem (N lines answered first):\n"
        << dalvex::sim::modemFaultHelp(8)
        << "  --help           show this text\n"
           "\n"
           "Failure modes (N counts exchanges; the fault strikes from exchange N + 1, N defaults to 0):\n"
        << dalvex::sim::faultHelp(4);
}

std::optional<int> parseInt(std::string_view text, int min, int max) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < min || value > max) return std::nullopt;
    return value;
}

// Returns the options, or a message for the user.
std::optional<Options> parseOptions(int argc, char** argv, std::string& error) {
    Options o;
    o.ports = dalvex::portsFolder();
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            continue;
        }
        std::string_view name = arg;
        std::optional<std::string_view> value;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        auto takeValue = [&]() -> std::optional<std::string_view> {
            if (value) return value;
            if (i + 1 < argc) return std::string_view(argv[++i]);
            return std::nullopt;
        };
        auto number = [&](int& target, int min, int max) {
            const auto v = takeValue();
            if (!v) {
                error = std::string(name) + " needs a value";
                return false;
            }
            const auto n = parseInt(*v, min, max);
            if (!n) {
                error = std::string(name) + " must be a whole number from " + std::to_string(min) + " to " +
                        std::to_string(max) + ", not \"" + std::string(*v) + "\"";
                return false;
            }
            target = *n;
            return true;
        };

        if (name == "--type") {
            if (!number(o.type, 0, 255)) return std::nullopt;
        } else if (name == "--version") {
            // The module's software version takes a number; alone (last, or before another
            // option) the option asks for the program's version, as everywhere else.
            if (!value && (i + 1 == argc || argv[i + 1][0] == '-')) {
                o.showVersion = true;
                continue;
            }
            if (!number(o.version, 0, 255)) return std::nullopt;
        } else if (name == "--baud") {
            if (!number(o.baud, 0, 4'000'000)) return std::nullopt;
        } else if (name == "--com") {
            if (!number(o.com, 1, 9999)) return std::nullopt;
        } else if (name == "--log-records") {
            if (!number(o.logRecords, 0, dalvex::sim::kLogCapacity)) return std::nullopt;
        } else if (name == "--signal-samples") {
            if (!number(o.signalSamples, 0, dalvex::sim::kSignalCapacity)) return std::nullopt;
        } else if (name == "--fault") {
            const auto v = takeValue();
            if (!v) {
                error = "--fault needs a value";
                return std::nullopt;
            }
            const auto fault = dalvex::sim::parseFault(*v, &error);
            if (!fault) return std::nullopt;
            o.fault = *fault;
        } else if (name == "--processor") {
            const auto v = takeValue();
            const std::size_t comma = v ? v->find(',') : std::string_view::npos;
            const auto p =
                comma != std::string_view::npos ? parseInt(v->substr(0, comma), 0, 255) : std::nullopt;
            const auto h =
                comma != std::string_view::npos ? parseInt(v->substr(comma + 1), 0, 255) : std::nullopt;
            if (!p || !h) {
                error = "--processor needs two numbers from 0 to 255, as in 10,74";
                return std::nullopt;
            }
            o.processor =
                dalvex::sim::Processor{static_cast<std::uint8_t>(*p), static_cast<std::uint8_t>(*h)};
        } else if (name == "--preset") {
            const auto v = takeValue();
            const auto preset = v ? dalvex::sim::parsePreset(*v) : std::nullopt;
            if (!preset) {
                error = "--preset needs one of: " + dalvex::sim::presetNames();
                return std::nullopt;
            }
            o.preset = *preset;
        } else if (name == "--trace-rate") {
            if (!number(o.traceRate, 1, 10'000)) return std::nullopt;
        } else if (name == "--status") {
            const auto v = takeValue();
            std::array<std::uint8_t, dalvex::sim::kStatusRegisters> bytes{};
            bool ok = v && v->size() == 2 * bytes.size();
            for (std::size_t k = 0; ok && k < bytes.size(); ++k) {
                const char* from = v->data() + 2 * k;
                const auto [ptr, ec] = std::from_chars(from, from + 2, bytes[k], 16);
                ok = ec == std::errc() && ptr == from + 2;
            }
            if (!ok) {
                error = "--status needs 32 hex digits (16 bytes)";
                return std::nullopt;
            }
            o.status = bytes;
        } else if (name == "--phonebook-fill") {
            if (!number(o.phonebookFill, 0, dalvex::sim::kPhonebookSize)) return std::nullopt;
        } else if (name == "--phonebook" || name == "--pin") {
            const auto v = takeValue();
            if (!v || v->empty()) {
                error = std::string(name) + " needs a value";
                return std::nullopt;
            }
            (name == "--pin" ? o.pin.emplace() : o.phonebook) = std::string(*v);
        } else if (name == "--modem-fault") {
            const auto v = takeValue();
            if (!v) {
                error = "--modem-fault needs a value";
                return std::nullopt;
            }
            const auto fault = dalvex::sim::parseModemFault(*v, &error);
            if (!fault) return std::nullopt;
            o.modemFault = *fault;
        } else if (name == "--ports") {
            const auto v = takeValue();
            if (!v || v->empty()) {
                error = "--ports needs a folder";
                return std::nullopt;
            }
            o.ports = std::string(*v);
        } else {
            error = "unknown option \"" + std::string(arg) + "\"";
            return std::nullopt;
        }
    }
    return o;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const std::optional<Options> options = parseOptions(argc, argv, error);
    if (!options) {
        std::cerr << "dalvex-sim: " << error << "\nTry \"dalvex-sim --help\".\n";
        return kUsageError;
    }
    if (options->help) {
        printHelp();
        return 0;
    }
    if (options->showVersion) {
        std::cout << dalvex::VersionLine("dalvex-sim") << "\n";
        return 0;
    }

    // The signals are taken by sigwait below; blocking them first keeps them away from the
    // module's thread, which inherits this mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // A closed terminal too: the link goes with the simulator.
    sigaddset(&signals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    dalvex::sim::PtyModule module;
    bool phonebookRead = true;
    bool presetRead = true;
    module.withModule([&](dalvex::sim::ModuleSim& m) {
        m.setTypeCode(static_cast<std::uint8_t>(options->type));
        m.setVersion(static_cast<std::uint8_t>(options->version));
        presetRead = dalvex::sim::applyPreset(m, options->preset, &error);
        m.firmware().processor = options->processor;
        m.status().traceLinesPerSecond = options->traceRate;
        if (options->status)
            m.status().registers = *options->status;
        else
            m.status().animate = true;
        dalvex::sim::GsmModem& modem = m.modem();
        if (options->phonebookFill >= 0) modem.fillPhonebook(options->phonebookFill);
        if (!options->phonebook.empty()) phonebookRead = modem.loadPhonebook(options->phonebook, &error);
        if (options->pin) modem.setPin(*options->pin);
        modem.setFault(options->modemFault.fault, options->modemFault.after);
        const dalvex::sim::PresetContents contents = dalvex::sim::presetContents(options->preset);
        dalvex::sim::fillLog(m, options->logRecords >= 0 ? options->logRecords : contents.logRecords);
        dalvex::sim::fillSignal(m, options->signalSamples >= 0 ? options->signalSamples
                                                               : contents.signalSamples);
    });
    if (!presetRead || !phonebookRead) {
        std::cerr << "dalvex-sim: " << error << "\n";
        return 1;
    }
    module.setBaud(options->baud);
    module.setFault(options->fault.fault, options->fault.count);
    if (!module.start()) {
        std::cerr << "dalvex-sim: cannot open a pseudo-terminal: " << module.error() << "\n";
        return 1;
    }
    if (!module.linkAs(options->ports, options->com)) {
        std::cerr << "dalvex-sim: " << module.error() << "\n";
        return 1;
    }

    std::string line = "K6 module simulator: type " + std::to_string(options->type) + ", version " +
                       std::to_string(options->version / 10) + "." + std::to_string(options->version % 10) +
                       " on COM" + std::to_string(options->com) + " (" + module.links().front() + " -> " +
                       module.slavePath() + ")";
    if (options->preset == dalvex::sim::Preset::Demo) line += ", demo configuration";
    if (options->baud > 0) line += ", " + std::to_string(options->baud) + " baud";
    if (options->fault.fault != dalvex::sim::Fault::None) {
        const auto& info = dalvex::sim::faultInfo(options->fault.fault);
        line += ", failure mode " + std::string(info.name);
        if (info.takesCount) line += ":" + std::to_string(options->fault.count);
    }
    std::cout << line << std::endl;

    int received = 0;
    sigwait(&signals, &received);
    module.stop();
    return 0;
}
