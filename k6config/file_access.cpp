#include "file_access.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dalvex::k6config {

namespace {

// Symbolic links followed to the file an output replaces, as the kernel does for a path.
constexpr int kMaxLinkHops = 40;
// A temporary name adds ten bytes to the target's; a long name is cut so that it still fits.
constexpr qsizetype kTempBaseLength = 200;
constexpr char16_t kEscapeBase = 0xDC00;

QByteArray& SeamFolder() {
    static QByteArray folder;
    return folder;
}

QByteArray FolderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) return QByteArrayLiteral(".");
    if (slash == 0) return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray BaseOf(const QByteArray& path) {
    return path.mid(path.lastIndexOf('/') + 1);
}

// The file a write to `path` replaces: symbolic links followed. Returns 0 or an errno; `exists`
// tells whether there is such a file, `st` is what it is.
int ResolveTarget(QByteArray& path, struct stat& st, bool& exists) {
    exists = false;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        if (::lstat(path.constData(), &st) != 0) return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode)) {
            exists = true;
            return 0;
        }
        QByteArray link(PATH_MAX, Qt::Uninitialized);
        const ssize_t n = ::readlink(path.constData(), link.data(), static_cast<std::size_t>(link.size()));
        if (n < 0) return errno;
        link.truncate(n);
        path = link.startsWith('/') ? link : FolderOf(path) + '/' + link;
    }
    return ELOOP;
}

// What an existing output may not be: a folder, a device or pipe, a file that is not writable.
FileResult CheckExistingTarget(const QByteArray& target, const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return FileResultOf(EISDIR);
    if (!S_ISREG(st.st_mode)) return {FileError::NotRegular, {}, 0, 0};
    if (::access(target.constData(), W_OK) != 0) return FileResultOf(errno);
    return {};
}

// What an input may not be: a folder, a device, pipe or socket.
FileResult CheckInputKind(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return FileResultOf(EISDIR);
    if (!S_ISREG(st.st_mode)) return {FileError::NotRegular, {}, 0, 0};
    return {};
}

QByteArray RealFolder(const QByteArray& folder) {
    char* real = ::realpath(folder.constData(), nullptr);
    if (!real) return folder;
    QByteArray out(real);
    std::free(real);
    return out;
}

bool UnderSeam(const QByteArray& folder) {
    QByteArray seam = SeamFolder();
    if (seam.isEmpty()) seam = qgetenv("DALVEX_FAIL_WRITES_UNDER");
    if (seam.isEmpty()) return false;
    const QByteArray root = RealFolder(seam);
    const QByteArray here = RealFolder(folder);
    return here == root || here.startsWith(root + '/');
}

} // namespace

FileResult FileResultOf(int code) {
    FileResult r{FileError::Io, QString::fromLocal8Bit(std::strerror(code)), code, 0};
    if (code == ENOENT) r.error = FileError::NotFound;
    if (code == EACCES || code == EPERM) r.error = FileError::AccessDenied;
    return r;
}

std::optional<FileReason> ReasonOf(int code) {
    switch (code) {
    case ENOSPC:
        return FileReason::DiskFull;
    case EDQUOT:
        return FileReason::QuotaExceeded;
    case EROFS:
        return FileReason::ReadOnly;
    case EIO:
        return FileReason::MediumError;
    case ELOOP:
        return FileReason::LinkLoop;
    case ENAMETOOLONG:
        return FileReason::NameTooLong;
    case ENOTDIR:
        return FileReason::NotAFolder;
    case EISDIR:
        return FileReason::IsAFolder;
    case EFBIG:
        return FileReason::TooLargeForDisk;
    case EMFILE:
    case ENFILE:
        return FileReason::TooManyOpen;
    case EBUSY:
    case ETXTBSY:
        return FileReason::Busy;
    case ENOENT:
        return FileReason::NoFolder;
    default:
        return std::nullopt;
    }
}

// --- Names -----------------------------------------------------------------------------------------

QString NameFromBytes(const QByteArray& bytes) {
    QString out;
    out.reserve(bytes.size());
    const auto at = [&](qsizetype i) { return static_cast<unsigned char>(bytes[i]); };
    const auto continuation = [&](qsizetype i) { return i < bytes.size() && (at(i) & 0xC0) == 0x80; };
    for (qsizetype i = 0; i < bytes.size();) {
        const unsigned char b = at(i);
        if (b < 0x80) {
            out += QChar(b);
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0, least = 0;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2, code = b & 0x1F, least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3, code = b & 0x0F, least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4, code = b & 0x07, least = 0x10000;
        }
        bool valid = length > 0;
        for (int k = 1; valid && k < length; ++k) {
            valid = continuation(i + k);
            if (valid) code = (code << 6) | (at(i + k) & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and what lies beyond Unicode are no characters.
        valid = valid && code >= least && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            out += QChar(char16_t(kEscapeBase + b));
            ++i;
            continue;
        }
        const char32_t one[] = {code};
        out += QString::fromUcs4(one, 1);
        i += length;
    }
    return out;
}

QByteArray NameBytes(const QString& name) {
    QByteArray out;
    out.reserve(name.size());
    const auto put = [&](char32_t c) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    };
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            put(QChar::surrogateToUcs4(u, name[i + 1].unicode()));
            ++i;
        } else if (u >= kEscapeBase + 0x80 && u <= kEscapeBase + 0xFF) {
            out += char(u - kEscapeBase);
        } else if (QChar::isSurrogate(u)) {
            put(QChar::ReplacementCharacter);
        } else {
            put(u);
        }
    }
    return out;
}

QString ShownName(const QString& name) {
    QString out = name;
    for (qsizetype i = 0; i < out.size(); ++i) {
        if (out[i].isHighSurrogate() && i + 1 < out.size() && out[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (out[i].isSurrogate()) out[i] = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

// --- Inputs ----------------------------------------------------------------------------------------

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

FileResult InputFile::Open(const QString& path) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    const QByteArray name = NameBytes(path);
    struct stat st {};
    // A FIFO or a device is refused before it is opened at all: opening one may block or act.
    if (::stat(name.constData(), &st) != 0) return FileResultOf(errno);
    if (FileResult r = CheckInputKind(st); !r) return r;
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return FileResultOf(errno);
    // It may have been swapped for something else in between.
    if (::fstat(fd, &st) != 0) {
        const int code = errno;
        ::close(fd);
        return FileResultOf(code);
    }
    if (FileResult r = CheckInputKind(st); !r) {
        ::close(fd);
        return r;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    size_ = st.st_size;
    return {};
}

FileResult InputFile::Read(qint64 count, QByteArray& out) {
    out.resize(count);
    qint64 got = 0;
    while (got < count) {
        const ssize_t n = ::read(fd_, out.data() + got, static_cast<std::size_t>(count - got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int code = errno;
            out.clear();
            return FileResultOf(code);
        }
        if (n == 0) break;
        got += n;
    }
    out.truncate(got);
    return {};
}

FileResult ReadInputFile(const QString& path, qint64 limit, QByteArray& out) {
    out.clear();
    InputFile in;
    if (FileResult r = in.Open(path); !r) return r;
    if (in.Size() > limit) return {FileError::TooLarge, {}, 0, limit};
    // It may grow while it is read.
    if (FileResult r = in.Read(limit + 1, out); !r) return r;
    if (out.size() > limit) {
        out.clear();
        return {FileError::TooLarge, {}, 0, limit};
    }
    return {};
}

FileResult CheckInputFile(const QString& path) {
    const QByteArray name = NameBytes(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) return FileResultOf(errno);
    if (FileResult r = CheckInputKind(st); !r) return r;
    if (::access(name.constData(), R_OK) != 0) return FileResultOf(errno);
    return {};
}

// --- Outputs ---------------------------------------------------------------------------------------

AtomicFile::~AtomicFile() {
    Abort();
}

FileResult AtomicFile::Fail(int code) {
    Abort();
    FileResult r = FileResultOf(code);
    // A missing name while writing is a missing folder: the file itself is about to be made.
    if (code == ENOENT) r.error = FileError::Io;
    return r;
}

FileResult AtomicFile::Open(const QString& path) {
    Abort();
    QByteArray target = NameBytes(path);
    if (target.isEmpty()) return Fail(ENOENT);
    struct stat st {};
    bool exists = false;
    if (const int code = ResolveTarget(target, st, exists); code != 0) return Fail(code);
    if (exists)
        if (FileResult r = CheckExistingTarget(target, st); !r) return r;
    const QByteArray folder = FolderOf(target);
    QByteArray temp = folder + "/." + BaseOf(target).left(kTempBaseLength) + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return Fail(errno);
    fd_ = fd;
    temp_ = temp;
    target_ = target;
    if (exists) ::fchmod(fd_, st.st_mode & 07777);
    failWrites_ = UnderSeam(folder);
    return {};
}

FileResult AtomicFile::Write(const char* data, qint64 size) {
    if (fd_ < 0) return Fail(EBADF);
    if (failWrites_) return Fail(ENOSPC);
    while (size > 0) {
        const ssize_t n = ::write(fd_, data, static_cast<std::size_t>(size));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(errno);
        data += n;
        size -= n;
    }
    return {};
}

FileResult AtomicFile::Commit() {
    if (fd_ < 0) return Fail(EBADF);
    if (::fsync(fd_) != 0) return Fail(errno);
    const int fd = fd_;
    fd_ = -1;
    // Some file systems (NFS) report a failed write only here.
    if (::close(fd) != 0 && errno != EINTR) return Fail(errno);
    if (::rename(temp_.constData(), target_.constData()) != 0) return Fail(errno);
    temp_.clear();
    // The rename itself reaches the disk with its folder.
    const int folder = ::open(FolderOf(target_).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return {};
}

void AtomicFile::Abort() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.isEmpty()) ::unlink(temp_.constData());
    temp_.clear();
}

FileResult WriteFileAtomically(const QString& path, const QByteArray& data) {
    AtomicFile f;
    if (FileResult r = f.Open(path); !r) return r;
    if (FileResult r = f.Write(data); !r) return r;
    return f.Commit();
}

FileResult CheckOutputFile(const QString& path) {
    QByteArray target = NameBytes(path);
    const auto fail = [](int code) {
        FileResult r = FileResultOf(code);
        if (code == ENOENT) r.error = FileError::Io;
        return r;
    };
    if (target.isEmpty()) return fail(ENOENT);
    struct stat st {};
    bool exists = false;
    if (const int code = ResolveTarget(target, st, exists); code != 0) return fail(code);
    if (exists)
        if (FileResult r = CheckExistingTarget(target, st); !r) return r;
    const QByteArray folder = FolderOf(target);
    if (::stat(folder.constData(), &st) != 0) return fail(errno);
    if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
    if (::access(folder.constData(), W_OK | X_OK) != 0) return fail(errno);
    return {};
}

FileResult MakePrivateFolders(const QString& path) {
    const QByteArray full = NameBytes(path);
    if (full.isEmpty()) return {};
    const auto fail = [](int code) {
        FileResult r = FileResultOf(code);
        if (r.error == FileError::NotFound) r.error = FileError::Io; // a folder above is missing
        return r;
    };
    // Each step from the root down: only what is made here gets 0700.
    for (qsizetype end = full.indexOf('/', 1);; end = full.indexOf('/', end + 1)) {
        const QByteArray part = end < 0 ? full : full.left(end);
        struct stat st {};
        if (::stat(part.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return fail(ENOTDIR);
        } else if (errno != ENOENT) {
            return fail(errno);
        } else if (::mkdir(part.constData(), 0700) == 0) {
            ::chmod(part.constData(), 0700); // whatever the umask took away
        } else if (errno != EEXIST) {
            return fail(errno);
        }
        if (end < 0) break;
    }
    return {};
}

void FailWritesUnder(const QString& folder) {
    SeamFolder() = NameBytes(folder);
}

} // namespace dalvex::k6config
