#include "line_control.h"

#include <asm/termbits.h>
#include <cerrno>
#include <sys/ioctl.h>

namespace dalvex::line {

namespace {

int getBlock(int fd, termios2& t) {
    return ioctl(fd, TCGETS2, &t) == 0 ? 0 : errno;
}
int setBlock(int fd, const termios2& t) {
    return ioctl(fd, TCSETS2, &t) == 0 ? 0 : errno;
}

// Modem-control lines; devices without them (a pseudo-terminal) refuse, which is harmless.
void setLines(int fd, int bits, bool on) {
    ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits);
}

void applyBaud(termios2& t, TBaudRate rate) {
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = t.c_ospeed = static_cast<speed_t>(BaudRateValue(rate));
}

void applyParity(termios2& t, TParity p) {
    t.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (p) {
    case paNone:
        break;
    case paOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case paEven:
        t.c_cflag |= PARENB;
        break;
    case paMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case paSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
}

// One and a half stop bits do not exist on Linux UARTs; they become two.
void applyStopbits(termios2& t, TStopbits s) {
    if (s == sb10)
        t.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    else
        t.c_cflag |= CSTOPB;
}

// Linux has no four-bit characters; the smallest size it knows is five.
void applyDatabits(termios2& t, TDatabits d) {
    static constexpr tcflag_t sizes[] = {CS5, CS5, CS6, CS7, CS8};
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    t.c_cflag |= sizes[d];
}

// Options without a termios counterpart (DSR sensitivity, keeping on after XOFF, NUL stripping)
// are kept in the property but do not change the line.
void applyOptions(termios2& t, TAsynComm32Options o) {
    t.c_iflag &= ~static_cast<tcflag_t>(INPCK | IGNPAR | PARMRK);
    if (o.contains(osParityCheck)) {
        t.c_iflag |= INPCK;
        // Without the error character, a byte with a parity error is discarded.
        if (!o.contains(osErrorChar)) t.c_iflag |= IGNPAR;
    }
}

void applyFlow(int fd, termios2& t, const LineSettings& s) {
    if (s.flowControl == fcDefault) return;
    t.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    switch (s.flowControl) {
    case fcNone:
        // RTS toggling is done by the UART driver where it exists; here the line stays asserted.
        setLines(fd, TIOCM_DTR | TIOCM_RTS, true);
        break;
    case fcCTS:
        t.c_cflag |= CRTSCTS;
        setLines(fd, TIOCM_DTR, true);
        break;
    case fcDTR:
        // No DSR/DTR handshake on Linux; both lines are asserted.
        setLines(fd, TIOCM_DTR | TIOCM_RTS, true);
        break;
    case fcSoftware:
        t.c_iflag |= IXON | IXOFF;
        setLines(fd, TIOCM_DTR | TIOCM_RTS, true);
        break;
    case fcDefault:
        break;
    }
}

} // namespace

int ResetLine(int fd) {
    termios2 t{};
    if (int e = getBlock(fd, t)) return e;
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag |= CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    return setBlock(fd, t);
}

int ApplyLineSettings(int fd, const LineSettings& s, Field which) {
    termios2 t{};
    if (int e = getBlock(fd, t)) return e;
    const bool all = which == Field::All;
    if (all || which == Field::BaudRate) applyBaud(t, s.baudRate);
    if (all || which == Field::Parity) applyParity(t, s.parity);
    if (all || which == Field::Stopbits) applyStopbits(t, s.stopbits);
    if (all || which == Field::Databits) applyDatabits(t, s.databits);
    if (all || which == Field::Options) applyOptions(t, s.options);
    if (all || which == Field::FlowControl) applyFlow(fd, t, s);
    if (all || which == Field::XonXoff) {
        t.c_cc[VSTART] = s.xonChar;
        t.c_cc[VSTOP] = s.xoffChar;
    }
    return setBlock(fd, t);
}

int CurrentBaud(int fd) {
    termios2 t{};
    if (getBlock(fd, t)) return -1;
    return static_cast<int>(t.c_ospeed);
}

void Purge(int fd) {
    ioctl(fd, TCFLSH, TCIOFLUSH);
}

} // namespace dalvex::line
