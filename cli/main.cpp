// dalvex-cli: the service operations of the K6 window from a terminal, for scripts and batches.
//
//   dalvex-cli COMMAND [options]        exit status 0 done, 1 module error, 2 usage or file error,
//                                       128 + the signal when stopped by Ctrl-C (130), the terminal
//                                       closing (SIGHUP, 129) or SIGTERM (143)

#include "cli/commands.h"
#include "cli/session.h"
#include "i18n/program_version.h"
#include "k6config/file_access.h"
#include "k6sheet/sheet_document.h"

#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace dalvex;
using namespace dalvex::cli;

namespace {

const char* const kUsage =
    "usage: dalvex-cli COMMAND [options]\n"
    "\n"
    "commands:\n"
    "  ports [--all]                       COM names, their devices, and whether they exist, are\n"
    "                                      readable and are free\n"
    "  probe [--port COMn | --all] [--json]  model, type code and software version\n"
    "  read -o FILE.dat [--contact-id yes|no]\n"
    "                                      read the whole configuration into a file\n"
    "  send FILE.dat [--no-clock] [--contact-id yes|no] [--force] [--changed-since OLD.dat]\n"
    "                                      send a configuration file or text (JSON), then set\n"
    "                                      the clock;\n"
    "                                      --changed-since: the module holds OLD.dat, send only\n"
    "                                      what differs (checked by reading, else the whole file)\n"
    "  send --again [--no-clock] [--contact-id yes|no]\n"
    "                                      send again, whole, what the module's last send was\n"
    "                                      sending when it was cut off (see probe)\n"
    "  clock                               set the module's clock to the PC's\n"
    "  log -o FILE.csv                     read the event log\n"
    "  signal -o FILE.csv                  read the signal-strength memory (sample, value)\n"
    "  erase-history --yes                 erase the event log and the signal memory\n"
    "  voice --slot 1..7 FILE.wav [--force]\n"
    "                                      upload a voice message\n"
    "  firmware [--old]                    load the module's firmware\n"
    "  export FILE.dat -o FILE.json [--type N]\n"
    "                                      the configuration as text (JSON)\n"
    "  import FILE.json -o FILE.dat        a configuration file from its text\n"
    "  diff A.dat B.dat [--json] [--lang hu|en|de|sk|it|si|nl|cs] [--type N]\n"
    "                                      what differs, as a send would change it;\n"
    "                                      exit 0 same, 1 different\n"
    "  sheet FILE.dat -o FILE.pdf [--lang hu|en|de|sk|it|si|nl|cs] [--secrets] [--paper a4|letter]\n"
    "        [--type N]                    the configuration sheet; secrets are masked without\n"
    "                                      --secrets; --type: the module type of a file that\n"
    "                                      does not say\n"
    "\n"
    "options:\n"
    "  --port COMn        the port (default COM1); COM names resolve through the ports folder\n"
    "  --baud N           line speed (default 9600)\n"
    "  --timeout SECONDS  give up when the module has not answered for this long (default 10)\n"
    "  --quiet            no progress, only errors\n"
    "  --trace FILE       record the port's traffic into FILE\n"
    "  --help             show this text\n"
    "  --version          show the program's name and version\n";

struct Arguments {
    QString command;
    QStringList positional;
    QHash<QString, QString> values;
    QSet<QString> flags;
};

bool Parse(const QStringList& args, Arguments& out, QString& error) {
    static const QSet<QString> withValue = {"--port",       "--baud", "--timeout", "--trace", "--output",
                                            "-o",           "--slot", "--lang",    "--type",  "--paper",
                                            "--contact-id", "--changed-since"};
    static const QSet<QString> flags = {"--quiet", "--json", "--all",  "--no-clock", "--force",
                                        "--yes",   "--old",  "--help", "-h",         "--version", "--secrets",
                                        "--again"};
    for (int i = 0; i < args.size(); ++i) {
        QString a = args[i];
        QString value;
        bool inlineValue = false;
        if (a.startsWith(QLatin1String("--")) && a.contains(QLatin1Char('='))) {
            value = a.mid(a.indexOf(QLatin1Char('=')) + 1);
            a = a.left(a.indexOf(QLatin1Char('=')));
            inlineValue = true;
        }
        if (withValue.contains(a)) {
            if (!inlineValue) {
                if (i + 1 >= args.size()) {
                    error = QStringLiteral("%1 needs a value").arg(a);
                    return false;
                }
                value = args[++i];
            }
            out.values.insert(a == QLatin1String("-o") ? QStringLiteral("--output") : a, value);
        } else if (flags.contains(a) && !inlineValue) {
            out.flags.insert(a == QLatin1String("-h") ? QStringLiteral("--help") : a);
        } else if (a.startsWith(QLatin1Char('-')) && a.size() > 1) {
            error = QStringLiteral("unknown option %1").arg(args[i]);
            return false;
        } else if (out.command.isEmpty()) {
            out.command = a;
        } else {
            out.positional << a;
        }
    }
    return true;
}

bool ParseOptions(const Arguments& a, Options& o, QString& error) {
    if (a.values.contains("--port")) o.port = a.values["--port"];
    if (a.values.contains("--baud")) {
        bool ok = false;
        const int baud = a.values["--baud"].toInt(&ok);
        bool found = false;
        for (int r = cbr110; r <= cbr256000; ++r)
            if (ok && BaudRateValue(static_cast<TBaudRate>(r)) == baud) {
                o.baud = static_cast<TBaudRate>(r);
                found = true;
            }
        if (!found) {
            error = QStringLiteral("--baud: \"%1\" is no supported line speed").arg(a.values["--baud"]);
            return false;
        }
    }
    if (a.values.contains("--timeout")) {
        bool ok = false;
        o.timeoutSeconds = a.values["--timeout"].toDouble(&ok);
        if (!ok || o.timeoutSeconds <= 0 || o.timeoutSeconds > 86400) {
            error = QStringLiteral("--timeout: \"%1\" is no number of seconds").arg(a.values["--timeout"]);
            return false;
        }
    }
    o.quiet = a.flags.contains("--quiet");
    o.trace = a.values.value("--trace");
    return true;
}

int Usage(const QString& error) {
    std::fprintf(stderr, "dalvex-cli: %s\n(dalvex-cli --help lists the commands)\n",
                 k6config::ShownName(error).toUtf8().constData());
    return kUsageError;
}

} // namespace

int main(int argc, char** argv) {
    // The sheet lays out text: it needs fonts, so a QGuiApplication (without a display).
    bool sheet = false;
    for (int i = 1; i < argc; ++i)
        sheet = sheet || std::strcmp(argv[i], "sheet") == 0;
    const std::unique_ptr<QCoreApplication> app =
        sheet ? k6sheet::MakeSheetApplication(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    // File names are bytes: Qt's own decoding would turn a name that is not UTF-8 into U+FFFD, and
    // it could not be found or written again.
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << k6config::NameFromBytes(QByteArray(argv[i]));
    Arguments a;
    QString error;
    if (!Parse(args, a, error)) return Usage(error);
    if (a.flags.contains("--version")) {
        std::puts(VersionLine("dalvex-cli").c_str());
        return kOk;
    }
    if (a.flags.contains("--help") || a.command == QLatin1String("help")) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (a.command.isEmpty()) {
        std::fputs(kUsage, stderr);
        return kUsageError;
    }
    Options o;
    if (!ParseOptions(a, o, error)) return Usage(error);
    CatchInterrupts();

    Request r{o, a.positional, a.values, a.flags};
    const Command* command = FindCommand(a.command);
    if (!command) return Usage(QStringLiteral("unknown command \"%1\"").arg(a.command));
    const bool instead = command->instead && r.flags.contains(QLatin1String(command->instead));
    if (instead && !r.positional.isEmpty())
        return Usage(QStringLiteral("%1 %2 takes no file argument").arg(a.command, QLatin1String(command->instead)));
    if (!instead && r.positional.size() != command->positional)
        return Usage(QStringLiteral("%1 takes %2 file argument(s)").arg(a.command).arg(command->positional));
    return command->run(r);
}
