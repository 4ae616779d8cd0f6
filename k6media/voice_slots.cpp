#include "voice_slots.h"

#include <QDir>

namespace dalvex::k6media {

QString RecordedFile(const VoiceSlot& slot, const QString& startDir) {
    return QDir(startDir).filePath(QString::fromLatin1(slot.file));
}

QString UploadFile(const VoiceSlot& slot, const QString& editText, const QString& startDir) {
    if (slot.developer)
        return QDir(startDir).filePath(QString::fromLatin1(kDeveloperFolder) + QLatin1Char('/') +
                                       QString::fromLatin1(slot.file));
    if (editText.isEmpty()) return {};
    if (editText == QLatin1String(kInternal)) return RecordedFile(slot, startDir);
    return editText;
}

} // namespace dalvex::k6media
