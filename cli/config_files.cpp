#include "config_files.h"

#include "i18n/catalogue.h"
#include "i18n/module_models.h"
#include "i18n/product_variant.h"
#include "k6config/backups.h"

#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace dalvex::cli {

void Out(const QString& text) {
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

int Fail(const QString& text, int code) {
    std::fprintf(stderr, "dalvex-cli: %s\n", text.toUtf8().constData());
    return code;
}

QString ModelOfType(int type) {
    const QString name = ModelName(type, MakeBrandFields());
    return name.isEmpty() ? QStringLiteral("type %1").arg(type) : name;
}

void MakePrivate(const QString& path) {
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

QString FileErrorText(const k6config::FileResult& r, const QString& path, int language) {
    switch (r.error) {
    case k6config::FileError::Damaged: {
        const QString damaged = k6config::ConfigFileTexts{}.Damaged;
        return i18n::Catalogue::Builtin().Message(damaged, language).value_or(damaged).arg(path);
    }
    case k6config::FileError::NotFound:
        return QStringLiteral("%1: no such file or folder").arg(path);
    case k6config::FileError::AccessDenied:
        return QStringLiteral("%1: permission denied").arg(path);
    case k6config::FileError::TooShort:
        return QStringLiteral("%1: not a configuration file (too short)").arg(path);
    default:
        return QStringLiteral("%1: %2").arg(path, r.detail.isEmpty() ? QStringLiteral("input/output error")
                                                                     : r.detail);
    }
}

QString ModuleNotePath(const QString& file) {
    return file + QStringLiteral(".module");
}

FileNote NoteOfFile(const QString& path) {
    FileNote n;
    QFile note(ModuleNotePath(path));
    if (note.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : note.readAll().split('\n')) {
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


} // namespace dalvex::cli
