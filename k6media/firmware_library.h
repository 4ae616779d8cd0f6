#pragma once
// Where the firmware images come from: folders that hold the image files and a manifest naming,
// per slot, the file, the image's version and the SHA-256 of the file. The program carries no
// image of its own.
//
// Manifest (file "manifest" in the folder), one image a line, '#' starts a comment:
//     slot  version  sha256  file  [standin]
//   slot     10 to 14 (see firmware_slots.h)
//   version  the image's software version in tenths ("83" for 8.3): shown, and compared with the
//            module's software before the download is offered
//   sha256   64 hexadecimal digits of the file as stored
//   file     a file name in the same folder (no folders, no "..")
//   standin  marks a stand-in image for tests and the simulator
//
// Folders are searched in order: the package's (beside the program: ../share/dalvex/firmware,
// then /usr/share/dalvex/firmware), then the user's ($XDG_DATA_HOME/Dalvex/firmware). The first
// folder whose manifest names a slot provides its image.
//
// Stand-in images (marked in the manifest, or whose bytes begin with kStandinMarker) never go to a
// module unless the developer switch DALVEX_STANDIN_FIRMWARE=1 is set.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <string_view>
#include <vector>

namespace dalvex::k6media {

inline constexpr const char* kManifestName = "manifest";
inline constexpr std::string_view kStandinMarker = "DALVEX STAND-IN FIRMWARE";
inline constexpr const char* kStandinSwitch = "DALVEX_STANDIN_FIRMWARE";
// No image text is anywhere near this long (a full image is about 119 KiB of text).
inline constexpr qint64 kMaxImageFileSize = 4 * 1024 * 1024;

struct FirmwareEntry {
    int slot = 0;
    int version = 0;    // tenths
    QString path;       // the image file, absolute
    QByteArray sha256;  // lower-case hexadecimal
    bool standin = false;
};

// Why an image cannot be used.
enum class ImageProblem {
    None,
    NoImage,          // no manifest names the slot
    Unreadable,       // the file named by the manifest cannot be read
    ChecksumMismatch, // the file's SHA-256 differs from the manifest's
    StandinRefused,   // a stand-in, and the developer switch is off
};

class FirmwareLibrary {
public:
    FirmwareLibrary() = default;
    // Reads the manifests of `folders`; lines that cannot be read are skipped and listed in
    // Problems().
    static FirmwareLibrary Load(const QStringList& folders);
    // The package's folders, then the user's.
    static QStringList DefaultFolders();

    const FirmwareEntry* Find(int slot) const;
    const QStringList& Folders() const { return folders_; }
    const QStringList& Problems() const { return problems_; }

private:
    QStringList folders_;
    QStringList problems_;
    std::vector<FirmwareEntry> entries_;
};

// The developer switch: stand-in images may be downloaded.
bool StandinAllowed();

// Whether converted image bytes begin with the stand-in marker.
bool HasStandinMarker(std::string_view imageBytes);

// The image file of `entry`, checked against its manifest line: its text with the lines as they
// are stored, or the problem (the stand-in rule is left to the caller, who knows the bytes).
struct ImageFile {
    ImageProblem problem = ImageProblem::None;
    QByteArray text;
};
ImageFile ReadImageFile(const FirmwareEntry& entry);

} // namespace dalvex::k6media
