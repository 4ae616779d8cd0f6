#pragma once
// The send journal: a record on disk of every configuration send while it writes a module, so that
// a send cut off half-way (adapter pulled, program killed, terminal closed, power lost) is known at
// the next contact with that module, by whichever instance of the program makes it.
//
// An entry is written before the send's first write and removed when the send completes. It names
// the port, the module's type code, model and software version, when the send began, how many units
// it writes (256-byte blocks, or bytes on the byte-wise protocol) and how many the module had
// acknowledged, and whether the Contact ID tables were part of it; beside it lies the image being
// sent, so that the same send can be made again.
//
// Files, in a private folder ($XDG_STATE_HOME/Dalvex/journal, else ~/.local/state/Dalvex/journal;
// the folders it creates are 0700, its files 0600), two for each port and module type:
//   COM1_74.send     the entry: a header line, then "key=value" lines (UTF-8)
//   COM1_74.dat.gz   the image as a compressed configuration file, which "Megnyitás fájlból" and
//                    dalvex-cli send open like any other
// The image is written first and the entry renamed into place last, each atomically: an image
// without its entry is no entry. The count of acknowledged units is the entry's last line, of fixed
// width, rewritten in place as units are acknowledged: one small write each and no sync, so a
// killed program leaves the count of its last acknowledgement (the kernel has it), a power cut at
// worst an older one.

#include "config_file.h"
#include "config_image.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace dalvex::k6config {

// $XDG_STATE_HOME/Dalvex/journal, else ~/.local/state/Dalvex/journal.
QString DefaultJournalFolder();

struct JournalEntry {
    QString port;           // "COM1", "COM12", or a device path as given
    int moduleCode = 0;     // the type code the module answered (75 for a door phone)
    QString model;          // the model's name
    int version = 0;        // module software version in tenths
    QDateTime when;         // the send's first write
    int planned = 0;        // units the send writes
    int written = 0;        // units the module had acknowledged at the last update
    bool bytes = false;     // the units are bytes (byte-wise protocol), not 256-byte blocks
    bool contactId = false; // the Contact ID tables were part of the send
    QString path;           // the entry's file
    QString imagePath;      // the image beside it
};

class SendJournal {
public:
    explicit SendJournal(QString folder = DefaultJournalFolder());
    ~SendJournal();
    SendJournal(const SendJournal&) = delete;
    SendJournal& operator=(const SendJournal&) = delete;

    const QString& Folder() const { return folder_; }

    // Every entry, oldest first; files that are no readable entry are left out.
    std::vector<JournalEntry> List() const;
    // The entry of the module with type code `moduleCode` on `port`.
    std::optional<JournalEntry> Find(const QString& port, int moduleCode) const;
    // The image and customer fields of an entry.
    FileResult LoadImage(const JournalEntry& entry, ConfigImage& image, CustomerFields& fields) const;
    // Removes the entry of that module on that port, and its image; true when there was one.
    bool Remove(const QString& port, int moduleCode);

    // A send is about to write: its entry (with `written` as given) replaces any of the same port
    // and module, and stays in hand for Progress until Close or the next Begin.
    FileResult Begin(JournalEntry entry, const ConfigImage& image, const CustomerFields& fields);
    // The module has acknowledged `written` units of the send in hand.
    bool Progress(int written);
    // The send in hand has ended; its entry stays.
    void Close();
    bool InHand() const { return fd_ >= 0; }

private:
    QString folder_;
    int fd_ = -1;
    qint64 countAt_ = 0; // where the count's digits are in the entry in hand
};

} // namespace dalvex::k6config
