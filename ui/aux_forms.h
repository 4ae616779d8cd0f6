#pragma once
// The windows beside the start window and the K6 window. Each is built out by the work on its own
// function; until then it is a window that says it is not built yet.

#include "placeholder_form.h"
#include "tdphone1.h"

namespace dalvex {

class TK6Form2 : public TPlaceholderForm { // module status
    Q_OBJECT
public:
    explicit TK6Form2(QWidget* parent = nullptr);
};
class TK6Form3 : public TPlaceholderForm { // monitor
    Q_OBJECT
public:
    explicit TK6Form3(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form3", "Monitor", parent) {}
};
class Tk6Form5 : public TPlaceholderForm { // event log
    Q_OBJECT
public:
    explicit Tk6Form5(QWidget* parent = nullptr)
        : TPlaceholderForm("Tk6Form5", "Napló", parent) {}
};
class TK6Form6 : public TPlaceholderForm { // signal strength
    Q_OBJECT
public:
    explicit TK6Form6(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form6", "Térerő", parent) {}
};
class TK6Form10 : public TPlaceholderForm { // GSM information
    Q_OBJECT
public:
    explicit TK6Form10(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form10", "GSM információk", parent) {}
};
class TSMSk : public TPlaceholderForm { // SMS service centre
    Q_OBJECT
public:
    explicit TSMSk(QWidget* parent = nullptr)
        : TPlaceholderForm("TSMSk", "SMS szerviz szám", parent) {}
};

} // namespace dalvex
