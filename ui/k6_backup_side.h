#pragma once
// Never losing a working configuration: every completed read is saved as a dated backup; a send
// after a read from the same module first shows what it will change; a menu item restores a
// backup into the pages. This sits beside the transfer and only reads its images: the read, the
// send and the files work exactly as they do without it.

#include "k6config/config_image.h"
#include "k6config/image_diff.h"
#include "k6link/config_transfer.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QAction;

namespace dalvex {

class ConfigWindow;

// Catalogue texts of the backups; the language pass replaces them.
struct BackupTexts {
    QString RestoreItem = QStringLiteral("Visszaállítás biztonsági mentésből...");
    QString RestoreTitle = QStringLiteral("Biztonsági mentések");
    QString RestoreOpen = QStringLiteral("Megnyitás");
    QString NoBackups = QStringLiteral("Ehhez a modellhez még nincs biztonsági mentés.");
    QString SaveFailed = QStringLiteral("A biztonsági mentés nem sikerült: ");
    QString Saved = QStringLiteral("Biztonsági mentés: ");
    QString ChangesTitle = QStringLiteral("Az elküldés ezeket változtatja meg");
    QString ChangesIntro = QStringLiteral("A modul beállításaihoz képest (utolsó olvasás vagy küldés szerint):");
    QString NoChanges =
        QStringLiteral("Nincs változás a modulból utoljára kiolvasott beállításokhoz képest.");
    QString Send = QStringLiteral("Elküldés");
    QString Cancel = QStringLiteral("Mégse");
    QString Page = QStringLiteral("Lap");
    QString Field = QStringLiteral("Mező");
    QString Before = QStringLiteral("Most a modulban");
    QString After = QStringLiteral("Elküldés után");
    QString RawBytes = QStringLiteral("Le nem írt bájtok");
    QString Row = QStringLiteral("sor");
};

class K6BackupSide : public QObject {
    Q_OBJECT
public:
    // Settings: where backups go (empty: the default folder), how many are kept per model, how
    // many megabytes (MiB) all of them may take, and whether a send shows its changes first ("0"
    // turns it off).
    static constexpr const char* kFolderSetting = "BackupFolder";
    static constexpr const char* kKeepSetting = "BackupsKept";
    static constexpr const char* kMaxMBSetting = "BackupsMaxMB";
    static constexpr const char* kConfirmSetting = "ConfirmSend";

    explicit K6BackupSide(ConfigWindow& window);

    // After every completed read.
    void ReadCompleted();
    // Before "Elküldés": true when the send may go ahead.
    bool ConfirmSend();
    // "Visszaállítás biztonsági mentésből...".
    void RestoreClick();

    // A change as the dialog shows it: page, field and values as the pages show them in the
    // window's language.
    struct ShownRow {
        QString page, field, before, after;
    };
    // What a send would change now, from the pages, against what the module holds as far as this
    // session knows: what the last read brought in, or the last send wrote after it.
    std::vector<ShownRow> Changes();
    // Set by the door-phone window around its send: the list names the fields as that window does.
    bool FromDoorPhone = false;

    // Tests answer the dialogs here: the changes shown (empty: "no changes"), true for "Elküldés";
    // and the backups offered, returning the index chosen or -1.
    static std::function<bool(const std::vector<ShownRow>&)> ConfirmHook;
    static std::function<int(const QStringList&)> RestoreHook;

    QString Folder() const;
    QString ModelName() const;
    // The last backup written, empty when none.
    QString LastBackup;
    // The send ahead as the last list of changes told it: whole or by what changed, how much, how long.
    QString PlanLine;
    BackupTexts Texts;
    QAction* RestoreItem = nullptr;

private:
    struct Snapshot {
        int moduleType = 0;
        int version = 0;
        QString port;
        k6config::ConfigImage image;
    };
    bool SameModule() const;
    std::vector<k6config::ImageArea> ComparedAreas() const;
    void TransferEnded(const k6link::TransferEnd& end);

    ConfigWindow& w_;
    std::optional<Snapshot> read_; // the sent areas as last read
};

} // namespace dalvex
