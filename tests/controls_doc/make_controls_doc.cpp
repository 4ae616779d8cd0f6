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
#include "tests/support/generated_file.h"
#include "ui/config_window.h"

#include <QApplication>
#include <QDir>
#include <cstdio>

namespace {

void usage() {
    std::fprintf(stderr, "usage: make_controls_doc --source DIR [--write FILE | --check FILE]\n");
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

    const QString sourceRoot = QDir(source).absolutePath();
    if (!write.isEmpty()) write = QDir().absoluteFilePath(write);
    if (!check.isEmpty()) check = QDir().absoluteFilePath(check);
    const dalvex::test::PrivateFolders folders;
    if (!folders.ok()) {
        std::fprintf(stderr, "make_controls_doc: cannot create a temporary folder\n");
        return 2;
    }

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

    return dalvex::test::WriteCheckOrPrint(page, write, check, "make_controls_doc", "controls_doc");
}
