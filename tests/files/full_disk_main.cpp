// The full-disk tests under a QApplication on the offscreen platform, with the small disk mounted
// before anything starts a thread.
#include "tests/files/small_disk.h"

#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Four configuration files and room to spare.
    dalvex::test::MountSmallDisk(24 * 1024 * 1024);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int rc = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    dalvex::test::UnmountSmallDisk();
    return rc;
}
