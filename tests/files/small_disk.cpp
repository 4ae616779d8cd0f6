#include "small_disk.h"

#include <QByteArray>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sched.h>
#include <string>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace dalvex::test {

namespace {

QString& Mounted() {
    static QString folder;
    return folder;
}

bool WriteText(const char* path, const std::string& text) {
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    ::close(fd);
    return ok;
}

bool EnterNamespace() {
    if (::unshare(CLONE_NEWNS) == 0) return true;
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
    WriteText("/proc/self/setgroups", "deny");
    return WriteText("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1\n") &&
           WriteText("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1\n");
}

QString FillerPath() {
    return Mounted() + QStringLiteral("/.filler");
}

} // namespace

bool MountSmallDisk(qint64 bytes) {
    char folder[] = "/tmp/dalvex-small-disk-XXXXXX";
    if (!::mkdtemp(folder)) return false;
    // Mounts stay in this namespace: nothing is propagated back to the machine's.
    const bool mounted = EnterNamespace() && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                         ::mount("dalvex-small-disk", folder, "tmpfs", MS_NOSUID | MS_NODEV,
                                 ("size=" + std::to_string(bytes) + ",mode=0700").c_str()) == 0;
    if (!mounted) {
        ::rmdir(folder);
        return false;
    }
    Mounted() = QString::fromLocal8Bit(folder);
    return true;
}

QString SmallDisk() {
    return Mounted();
}

void UnmountSmallDisk() {
    if (Mounted().isEmpty()) return;
    const QByteArray folder = Mounted().toLocal8Bit();
    ::umount2(folder.constData(), MNT_DETACH);
    ::rmdir(folder.constData());
    Mounted().clear();
}

bool FillSmallDisk(qint64 pages) {
    struct statvfs v {};
    if (::statvfs(Mounted().toLocal8Bit().constData(), &v) != 0) return false;
    const qint64 free = static_cast<qint64>(v.f_bavail);
    if (free < pages) return false;
    const int fd = ::open(FillerPath().toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    const QByteArray chunk(static_cast<qsizetype>(v.f_bsize), '\0');
    for (qint64 n = 0; n < free - pages; ++n)
        if (::write(fd, chunk.constData(), static_cast<std::size_t>(chunk.size())) != chunk.size()) break;
    // Up to the last byte when asked for a full disk.
    if (pages == 0)
        while (::write(fd, "x", 1) == 1) {
        }
    ::close(fd);
    return ::statvfs(Mounted().toLocal8Bit().constData(), &v) == 0 && static_cast<qint64>(v.f_bavail) == pages;
}

void EmptySmallDisk() {
    ::unlink(FillerPath().toLocal8Bit().constData());
}

} // namespace dalvex::test
