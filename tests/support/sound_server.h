#pragma once
// A PulseAudio server of the test's own, for the tests that play and record through a real sound
// server: one null sink, the default output, and a source that carries its monitor, the default
// input, so that what is played on the output can be recorded from the input. (Qt lists no monitor
// as an input device: the input is a remapped copy of it, an ordinary source.) The server runs in a private
// folder (its socket, cookie and state), ends with the test process even when that crashes, and is reached
// through PULSE_SERVER, which the test process gets once the server listens.
//
// Qt connects to the sound server once per process, at the first question about a sound device: so
// the server is one per test process too (Shared()), started before anything asks Qt.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace dalvex::test {

class SoundServer {
public:
    static constexpr const char* kSink = "dalvex_test_sink";
    static constexpr const char* kSource = "dalvex_test_source";

    // The test process's server, started at the first call. When it could not be started, every
    // call finds it not running, with the same reason.
    static SoundServer& Shared() {
        static SoundServer server;
        static const bool started = server.start();
        (void)started;
        return server;
    }
    bool running() const { return process_.state() == QProcess::Running; }

    SoundServer() = default;
    SoundServer(const SoundServer&) = delete;
    SoundServer& operator=(const SoundServer&) = delete;
    ~SoundServer() { stop(); }

    // Starts the server and waits until it takes connections. False, with the reason in error(),
    // when it can't be started.
    bool start(int limitMs = 30000) {
        const QString program = QStandardPaths::findExecutable(QStringLiteral("pulseaudio"));
        if (program.isEmpty())
            return fail(QStringLiteral("pulseaudio is not installed (Debian package pulseaudio, which "
                                       "scripts/deps installs)"));
        if (!dir_.isValid()) return fail(QStringLiteral("no private folder: %1").arg(dir_.errorString()));
        socket_ = dir_.filePath(QStringLiteral("native"));
        if (socket_.toLocal8Bit().size() >= static_cast<qsizetype>(sizeof(sockaddr_un::sun_path)))
            return fail(QStringLiteral("the socket path %1 is too long").arg(socket_));

        const QString script = dir_.filePath(QStringLiteral("server.pa"));
        QFile f(script);
        if (!f.open(QIODevice::WriteOnly))
            return fail(QStringLiteral("cannot write %1: %2").arg(script, f.errorString()));
        f.write(QStringLiteral("load-module module-null-sink sink_name=%1\n"
                               "load-module module-remap-source master=%1.monitor source_name=%2\n"
                               "load-module module-native-protocol-unix auth-anonymous=1 socket=%3\n"
                               "set-default-sink %1\n"
                               "set-default-source %2\n")
                    .arg(QLatin1String(kSink), QLatin1String(kSource), socket_)
                    .toLocal8Bit());
        f.close();

        // Everything the server keeps stays in the private folder; it asks no session bus.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_STATE_HOME"})
            env.insert(QString::fromLatin1(name), dir_.path());
        env.insert(QStringLiteral("PULSE_STATE_PATH"), dir_.filePath(QStringLiteral("state")));
        for (const char* name : {"PULSE_SERVER", "PULSE_COOKIE", "DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QString::fromLatin1(name));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        // The server goes when the test process goes, even when it crashes.
        process_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        process_.start(program, {QStringLiteral("-n"), QStringLiteral("--daemonize=no"),
                                 QStringLiteral("--system=no"), QStringLiteral("--exit-idle-time=-1"),
                                 QStringLiteral("--use-pid-file=no"), QStringLiteral("--realtime=no"),
                                 QStringLiteral("--high-priority=no"), QStringLiteral("--disallow-exit"),
                                 QStringLiteral("--log-target=stderr"), QStringLiteral("-F"), script});
        if (!process_.waitForStarted(limitMs))
            return fail(QStringLiteral("%1 did not start: %2").arg(program, process_.errorString()));

        // Listening: a connection to its socket is taken. Until then the server is loading its
        // modules, or it has ended, and says why in its output.
        QDeadlineTimer deadline(limitMs);
        while (!listening()) {
            if (process_.waitForFinished(20))
                return fail(
                    QStringLiteral("pulseaudio ended (exit status %1) before it took connections:\n%2")
                        .arg(process_.exitCode())
                        .arg(QString::fromLocal8Bit(process_.readAll())));
            if (deadline.hasExpired())
                return fail(QStringLiteral("pulseaudio took no connection within %1 ms:\n%2")
                                .arg(limitMs)
                                .arg(QString::fromLocal8Bit(process_.readAll())));
        }
        // The test process's clients reach this server only; a client cookie, if libpulse makes one,
        // stays in the private folder too.
        setenv("PULSE_SERVER", ("unix:" + socket_).toLocal8Bit().constData(), 1);
        setenv("PULSE_COOKIE", dir_.filePath(QStringLiteral("client-cookie")).toLocal8Bit().constData(), 1);
        return true;
    }

    void stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

    const QString& error() const { return error_; }
    // What the server wrote so far, for a failing test's message.
    QString output() { return QString::fromLocal8Bit(process_.readAll()); }

private:
    bool fail(const QString& why) {
        error_ = QStringLiteral("The test's sound server could not be started: ") + why;
        stop();
        return false;
    }

    bool listening() const {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = socket_.toLocal8Bit();
        std::copy(path.begin(), path.end(), address.sun_path);
        const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return ok;
    }

    QTemporaryDir dir_;
    QString socket_;
    QProcess process_;
    QString error_;
};

} // namespace dalvex::test
