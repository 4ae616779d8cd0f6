#include "progress.h"

#include "k6config/file_access.h"

#include <cstdio>
#include <unistd.h>

namespace dalvex::cli {

namespace {
QString Duration(double seconds) {
    const int s = static_cast<int>(seconds + 0.5);
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}
} // namespace

Progress::Progress(bool quiet)
    : quiet_(quiet)
    , tty_(isatty(STDERR_FILENO) == 1) {}

void Progress::Begin(const QString& what) {
    End();
    what_ = what;
    maximum_ = position_ = phaseStart_ = 0;
    phaseAt_ = Clock::now();
    lastDraw_ = {};
}

void Progress::Set(int maximum, int position) {
    maximum_ = maximum;
    position_ = phaseStart_ = position;
    phaseAt_ = Clock::now();
    Draw(false);
}

void Progress::Step() {
    ++position_;
    Draw(position_ >= maximum_);
}

void Progress::Move(int position) {
    position_ = position;
    Draw(false);
}

void Progress::Draw(bool force) {
    if (quiet_ || maximum_ <= 0) return;
    const auto now = Clock::now();
    const auto every = tty_ ? std::chrono::milliseconds(100) : std::chrono::milliseconds(1000);
    if (!force && lastDraw_ != Clock::time_point{} && now - lastDraw_ < every) return;
    lastDraw_ = now;
    const double elapsed = std::chrono::duration<double>(now - phaseAt_).count();
    const int done = position_ - phaseStart_;
    const double rate = elapsed > 0 && done > 0 ? done / elapsed : 0;
    QString line = QStringLiteral("%1 %2/%3").arg(what_).arg(position_).arg(maximum_);
    if (rate > 0)
        line += QStringLiteral(", %1/s, %2 left")
                    .arg(rate, 0, 'f', 1)
                    .arg(Duration(std::max(0, maximum_ - position_) / rate));
    if (tty_) {
        constexpr int kWidth = 30;
        const int filled = std::min(kWidth, kWidth * position_ / maximum_);
        const QString bar = QString(filled, QLatin1Char('#')) + QString(kWidth - filled, QLatin1Char('.'));
        std::fprintf(stderr, "\r[%s] %s\033[K", bar.toUtf8().constData(), line.toUtf8().constData());
        drawn_ = true;
    } else {
        std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    }
    std::fflush(stderr);
}

void Progress::End() {
    if (drawn_) std::fputc('\n', stderr);
    drawn_ = false;
}

void Progress::Say(const QString& text, bool error) {
    if (quiet_ && !error) return;
    End();
    std::fprintf(stderr, "%s\n", k6config::ShownName(text).toUtf8().constData());
    std::fflush(stderr);
}

} // namespace dalvex::cli
