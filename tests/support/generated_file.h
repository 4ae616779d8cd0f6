#pragma once
// What the generators that read the windows (the controls index, the pages' outline) share: the
// private folders the windows are built in, the plain text of a caption, the tab widget of a page,
// and writing, checking or printing the file they make.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QString>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocumentFragment>
#include <algorithm>
#include <cstdio>
#include <optional>

namespace dalvex::test {

// One line of plain text: no markup, no accelerator marks, no line breaks.
inline QString PlainText(QString text) {
    if (Qt::mightBeRichText(text)) text = QTextDocumentFragment::fromHtml(text).toPlainText();
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.simplified();
}

// The tab widget that shows `page` as one of its pages, else nullptr.
inline QTabWidget* TabsOf(const QWidget* page) {
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget())
        if (auto* tabs = qobject_cast<QTabWidget*>(p)) return tabs->indexOf(page) >= 0 ? tabs : nullptr;
    return nullptr;
}

// Private settings, data, ports, runtime and start folders, and the offscreen platform: what the
// windows show then depends on the code alone, not on what this machine's user has set or keeps in
// the working folder. Made before the application object.
class PrivateFolders {
public:
    PrivateFolders() {
        if (!ok()) return;
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_CACHE_HOME"})
            qputenv(name, QDir(home_.path()).filePath(QString::fromLatin1(name)).toLocal8Bit());
        ports_ = QDir(home_.path()).filePath(QStringLiteral("ports"));
        QDir().mkpath(ports_);
        qputenv("DALVEX_PORTS", ports_.toLocal8Bit());
        const QString runtime = QDir(home_.path()).filePath(QStringLiteral("runtime"));
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        qunsetenv("DALVEX_STANDIN_FIRMWARE");
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QDir::setCurrent(start_.path());
    }
    bool ok() const { return home_.isValid() && start_.isValid(); }
    const QString& ports() const { return ports_; }

private:
    QTemporaryDir home_, start_;
    QString ports_;
};

inline std::optional<QByteArray> ReadFileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    return f.readAll();
}

// The generated `content`: with `check` set, exit code 1 and where the committed file first differs
// when it is not `content`; with `write` set, the file written (only when it changes); else printed.
// `tool` names the program in messages, `target` the build target that writes the file again. The
// paths are taken as they are: make them absolute before PrivateFolders moves the working folder.
inline int WriteCheckOrPrint(const QByteArray& content, const QString& write, const QString& check, const char* tool,
                             const char* target) {
    if (!check.isEmpty()) {
        const QString& path = check;
        const std::optional<QByteArray> committed = ReadFileBytes(path);
        if (committed && *committed == content) return 0;
        if (committed) {
            const QList<QByteArray> a = committed->split('\n'), b = content.split('\n');
            qsizetype line = 0;
            while (line < std::max(a.size(), b.size()) && a.value(line) == b.value(line))
                ++line;
            std::fprintf(stderr,
                         "%s is not what the code gives now; the first difference, line %d:\n  committed: "
                         "%s\n  generated: %s\n",
                         qPrintable(path), static_cast<int>(line + 1), a.value(line).constData(),
                         b.value(line).constData());
        } else {
            std::fprintf(stderr, "%s cannot be read.\n", qPrintable(path));
        }
        std::fprintf(stderr, "Regenerate it with `cmake --build <build folder> --target %s` and commit it.\n", target);
        return 1;
    }
    if (!write.isEmpty()) {
        const QString& path = write;
        if (ReadFileBytes(path) == content) return 0;
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(content) != content.size() || !out.commit()) {
            std::fprintf(stderr, "%s: cannot write %s\n", tool, qPrintable(path));
            return 1;
        }
        std::fprintf(stderr, "%s: wrote %s\n", tool, qPrintable(path));
        return 0;
    }
    std::fwrite(content.constData(), 1, static_cast<std::size_t>(content.size()), stdout);
    return 0;
}

} // namespace dalvex::test
