#include "settings.h"

#include "com_names.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace dalvex {

QString settingsFile(const QString& key) {
    // "\software\GSM\Dalvex" -> GSM/Dalvex.conf; the leading "\software" is the registry's root
    // folder and has no counterpart on disk.
    QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare(QLatin1String("software"), Qt::CaseInsensitive) == 0)
        parts.pop_front();
    if (parts.isEmpty()) parts << QStringLiteral("GSM") << QString::fromLatin1(kToolName);
    for (QString& p : parts)
        p.remove(QLatin1Char('/'));
    return QString::fromStdString(configHome()) + QLatin1Char('/') + parts.join(QLatin1Char('/')) +
           QStringLiteral(".conf");
}

QString ReadSetting(const QString& key, const QString& name) {
    const QString file = settingsFile(key);
    if (!QFileInfo(file).isReadable()) return {};
    QSettings store(file, QSettings::IniFormat);
    if (store.status() != QSettings::NoError) return {};
    const QVariant v = store.value(name);
    // Only plain strings count; anything else (a list written by hand, say) reads as missing.
    if (v.typeId() != QMetaType::QString) return {};
    return v.toString();
}

bool WriteSetting(const QString& key, const QString& name, const QString& value) {
    const QString file = settingsFile(key);
    if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
    QSettings store(file, QSettings::IniFormat);
    // A value that is stored already is not written again: each write saves the whole file and
    // waits for the disk, and the start window stores the start folder at every start.
    if (store.status() == QSettings::NoError) {
        const QVariant stored = store.value(name);
        if (stored.typeId() == QMetaType::QString && stored.toString() == value) return true;
    }
    // The store writes a temporary file and renames it over the old one only when every byte is
    // in, synced (QSaveFile); a failure leaves the old file and says so in its status.
    store.setValue(name, value);
    store.sync();
    return store.status() == QSettings::NoError;
}

} // namespace dalvex
