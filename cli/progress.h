#pragma once
// Progress on standard error: a bar redrawn in place when it is a terminal (done / total, rate,
// time left), plain lines otherwise (at most one a second and at the end), nothing with --quiet.

#include <QString>
#include <chrono>

namespace dalvex::cli {

class Progress {
public:
    explicit Progress(bool quiet);

    void Begin(const QString& what);
    // The operation's own maximum and position (a new phase restarts the rate).
    void Set(int maximum, int position);
    void Step();
    // The position within the phase (a count of records rather than steps).
    void Move(int position);
    // Ends the bar's line.
    void End();
    // A line of its own (the bar, if drawn, is ended first). Shown even with --quiet when `error`.
    void Say(const QString& text, bool error = false);

private:
    using Clock = std::chrono::steady_clock;
    void Draw(bool force);

    bool quiet_;
    bool tty_;
    bool drawn_ = false;
    QString what_;
    int maximum_ = 0;
    int position_ = 0;
    int phaseStart_ = 0;
    Clock::time_point phaseAt_;
    Clock::time_point lastDraw_;
};

} // namespace dalvex::cli
