#include "config_files.h"

#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "k6config/backups.h"
#include "k6text/config_json.h"
#include "serial/settings.h"

#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <unistd.h>

namespace dalvex::cli {

namespace {

// A note holds three short lines.
constexpr qint64 kNoteLimit = 4096;

} // namespace

void Out(const QString& text) {
    std::fprintf(stdout, "%s\n", k6config::ShownName(text).toUtf8().constData());
    std::fflush(stdout);
}

int Fail(const QString& text, int code) {
    std::fprintf(stderr, "dalvex-cli: %s\n", k6config::ShownName(text).toUtf8().constData());
    return code;
}

QString ModelOfType(int type) {
    const QString name = ModelName(type, MakeBrandFields());
    return name.isEmpty() ? QStringLiteral("type %1").arg(type) : name;
}

int MessageLanguage() {
    static const int language =
        i18n::ActivationLanguage(ReadSetting(MakeRegKey(MakeBrandFields()), QStringLiteral("Language")));
    return language;
}

QString FileErrorText(const k6config::FileResult& r, const QString& path) {
    static const k6config::ConfigFileTexts texts = [] {
        k6config::ConfigFileTexts t;
        t.TranslateAll([](const QString& hu) {
            return i18n::Catalogue::Builtin().Message(hu, MessageLanguage()).value_or(hu);
        });
        return t;
    }();
    return k6config::FileResultText(r, path, texts);
}

QString ModuleNotePath(const QString& file) {
    return file + QStringLiteral(".module");
}

FileNote NoteOfFile(const QString& path) {
    FileNote n;
    QByteArray note;
    if (k6config::ReadInputFile(ModuleNotePath(path), kNoteLimit, note)) {
        for (const QByteArray& line : note.split('\n')) {
            bool ok = false;
            if (line.startsWith("type=")) {
                const int type = line.mid(5).trimmed().toInt(&ok);
                if (ok) n.type = type;
            } else if (line.startsWith("version=")) {
                const int version = line.mid(8).trimmed().toInt(&ok);
                if (ok) n.version = version;
            } else if (line.trimmed() == "contactid=0") {
                n.withoutContactId = true;
            }
        }
    }
    if (!n.type)
        if (const auto backup = k6config::ParseBackupName(QFileInfo(path).fileName()))
            for (const ModuleModel& model : kModuleModels)
                if (k6config::BackupModelTag(ModelOfType(model.typeCode)) == backup->model) {
                    n.type = model.typeCode;
                    n.version = backup->version;
                }
    return n;
}

std::optional<QString> WriteModuleNote(const QString& file, const QByteArray& note) {
    const QString path = ModuleNotePath(file);
    const k6config::FileResult r = k6config::WriteFileAtomically(path, note);
    if (r) return std::nullopt;
    ::unlink(k6config::NameBytes(path).constData());
    return QStringLiteral("%1 was written, but not the note of its module beside it: %2")
        .arg(file, FileErrorText(r, path));
}

std::optional<QString> OpenConfiguration(const QString& path, k6config::ConfigImage& image,
                                         k6config::CustomerFields& fields, OpenedConfiguration& opened) {
    opened = {};
    const k6config::FileResult r = k6config::OpenConfigFile(path, image, fields);
    if (r) {
        opened.note = NoteOfFile(path);
        k6config::InputFile in;
        if (in.Open(path) && in.Size() < k6config::kConfigFileSize) {
            QByteArray start;
            // A compressed file holds a complete one.
            if (in.Read(2, start) && start != QByteArray("\x1f\x8b", 2)) opened.fileLength = in.Size();
        }
        return std::nullopt;
    }
    if (r.error != k6config::FileError::ConfigurationText) return FileErrorText(r, path);
    QByteArray text;
    if (const auto read = k6config::ReadInputFile(path, k6text::kMaxTextSize, text); !read)
        return FileErrorText(read, path);
    k6text::JsonError error;
    const auto doc = k6text::ImportJson(text, MessageLanguage(), &error);
    if (!doc) return QStringLiteral("%1: %2").arg(path, error.message);
    // As the file `import` makes of it would open.
    if (const auto applied = k6config::OpenConfigData(k6text::DocumentFileData(*doc), image, fields); !applied)
        return FileErrorText(applied, path);
    opened.fromText = true;
    opened.note.type = doc->moduleType;
    opened.note.version = doc->version;
    opened.fileLength = doc->fileLength;
    return std::nullopt;
}

std::optional<QString> CheckOutput(const QString& path) {
    if (const k6config::FileResult r = k6config::CheckOutputFile(path); !r) return FileErrorText(r, path);
    return std::nullopt;
}

} // namespace dalvex::cli
