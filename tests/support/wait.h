#pragma once
// Processes events until a condition holds. The deadline only keeps a broken test from hanging;
// a passing test returns as soon as the condition is true.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace dalvex::test {

template <typename Pred> bool waitFor(Pred pred, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!pred()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (!pred()) QThread::usleep(200);
    }
    return true;
}

// Processes events for a while, for checks that something does NOT happen.
inline void pumpFor(int ms) {
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(200);
    }
}

} // namespace dalvex::test
