#pragma once
// A small file system that really runs full, for the tests of every writer: a tmpfs mounted in a
// mount namespace of the test process's own (a user namespace too where the process is not
// privileged), so nothing outside the test sees it; programs the test starts share it. Where no
// namespace or mount is allowed, the tests make writes fail through the writer's own seam
// (k6config::FailWritesUnder) instead.

#include <QString>

namespace dalvex::test {

// Mounts a tmpfs of `bytes` on a new folder. Call it first in main, while the process has one
// thread (a user namespace is refused to a threaded process). False when it could not be done.
bool MountSmallDisk(qint64 bytes);
// The mounted folder; empty when MountSmallDisk failed or was not called.
QString SmallDisk();
void UnmountSmallDisk();

// Fills the small disk with one file until only `pages` of its blocks are left (0: full).
bool FillSmallDisk(qint64 pages);
void EmptySmallDisk();

} // namespace dalvex::test
