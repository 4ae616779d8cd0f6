// make_controls_doc: writes the index of the design's names (docs/controls.md) from the code, or
// checks that the committed one is what the code gives now.
//
//   make_controls_doc --source DIR --write FILE   write FILE (only when it changes)
//   make_controls_doc --source DIR --check FILE   exit 1, saying how to regenerate, when FILE differs
//   make_controls_doc --source DIR                the page on standard output
//
// The windows are built offscreen in private settings, ports and start folders, so what the page
// says depends on the code alone.

#include "controls_index.h"
#include "ui/config_window.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

void usage() {
    std::fprintf(stderr, "usage: make_controls_doc --source DIR [--write FILE | --check FILE]\n");
}

std::optional<QByteArray> readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll();
}

// Where the two first differ: the line number (1-based) and that line of each.
struct Difference {
    int line = 0;
    QByteArray committed;
    QByteArray generated;
};
Difference firstDifference(const QByteArray& committed, const QByteArray& generated) {
    const QList<QByteArray> a = committed.split('\n');
    const QList<QByteArray> b = generated.split('\n');
    for (qsizetype i = 0; i < std::max(a.size(), b.size()); ++i)
        if (a.value(i) != b.value(i)) return {static_cast<int>(i + 1), a.value(i), b.value(i)};
    return {};
}

} // namespace

int main(int argc, char** argv) {
    QString source;
    QString write;
    QString check;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (i + 1 >= argc) {
            usage();
            return 2;
        }
        const QString value = QString::fromLocal8Bit(argv[++i]);
        if (arg == QLatin1String("--source"))
            source = value;
        else if (arg == QLatin1String("--write"))
            write = value;
        else if (arg == QLatin1String("--check"))
            check = value;
        else {
            usage();
            return 2;
        }
    }
    if (source.isEmpty() || (!write.isEmpty() && !check.isEmpty())) {
        usage();
        return 2;
    }

    // Private settings, data, ports and start folder: the windows must not show what this machine's
    // user has set or keeps in the working folder.
    QTemporaryDir home;
    QTemporaryDir startDir;
    if (!home.isValid() || !startDir.isValid()) {
        std::fprintf(stderr, "make_controls_doc: cannot create a temporary folder\n");
        return 2;
    }
    for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
        qputenv(name, QDir(home.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
    qputenv("DALVEX_PORTS", QDir(home.path()).filePath(QStringLiteral("ports")).toLocal8Bit());
    const QString runtime = QDir(home.path()).filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
    qunsetenv("DALVEX_STANDIN_FIRMWARE");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString sourceRoot = QDir(source).absolutePath();
    const QString target = write.isEmpty() ? check : write;
    const QString targetPath = target.isEmpty() ? QString() : QDir().absoluteFilePath(target);
    QDir::setCurrent(startDir.path());

    QApplication app(argc, argv);
    // Nothing is shown, so nothing should ask; a question would hang the build.
    dalvex::ConfigWindow::MessageBoxHook = [](const QString& text, QMessageBox::StandardButtons) {
        std::fprintf(stderr, "make_controls_doc: a window asked: %s\n", qPrintable(text));
        return QMessageBox::No;
    };

    const dalvex::controls_doc::Index index = dalvex::controls_doc::BuildIndex(sourceRoot);
    if (!index.problems.isEmpty()) {
        for (const QString& p : index.problems)
            std::fprintf(stderr, "make_controls_doc: %s\n", qPrintable(p));
        return 1;
    }
    const QByteArray page = dalvex::controls_doc::RenderMarkdown(index).toUtf8();

    if (!check.isEmpty()) {
        const std::optional<QByteArray> committed = readFile(targetPath);
        if (committed && *committed == page) return 0;
        if (committed) {
            const Difference d = firstDifference(*committed, page);
            std::fprintf(stderr,
                         "%s is not what the code gives now; the first difference, line %d:\n  committed: "
                         "%s\n  generated: %s\n",
                         qPrintable(targetPath), d.line, d.committed.constData(), d.generated.constData());
        } else {
            std::fprintf(stderr, "%s cannot be read.\n", qPrintable(targetPath));
        }
        std::fprintf(
            stderr,
            "Regenerate it with `cmake --build <build folder> --target controls_doc` and commit it.\n");
        return 1;
    }
    if (!write.isEmpty()) {
        if (readFile(targetPath) == page) return 0;
        QSaveFile out(targetPath);
        if (!out.open(QIODevice::WriteOnly) || out.write(page) != page.size() || !out.commit()) {
            std::fprintf(stderr, "make_controls_doc: cannot write %s\n", qPrintable(targetPath));
            return 1;
        }
        std::fprintf(stderr, "make_controls_doc: wrote %s\n", qPrintable(targetPath));
        return 0;
    }
    std::fwrite(page.constData(), 1, static_cast<std::size_t>(page.size()), stdout);
    return 0;
}
