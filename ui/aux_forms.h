#pragma once
// The windows beside the start window and the K6 window. Each is built out by the work on its own
// function; until then it is a window that says it is not built yet.

#include "placeholder_form.h"

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
class TK6Form4 : public TPlaceholderForm { // wiring picture
    Q_OBJECT
public:
    explicit TK6Form4(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form4", "Bekötési rajz", parent) {}
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
class TK6Form7 : public TPlaceholderForm { // screen resolution
    Q_OBJECT
public:
    explicit TK6Form7(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form7", "Képernyőfelbontás", parent) {}
};
class TK6Form8 : public TPlaceholderForm { // contact
    Q_OBJECT
public:
    explicit TK6Form8(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form8", "Kapcsolat", parent) {}
};
class TFirmware : public TPlaceholderForm { // firmware images, never shown
    Q_OBJECT
public:
    explicit TFirmware(QWidget* parent = nullptr)
        : TPlaceholderForm("TFirmware", "Firmware", parent) {}
};
class TK6Form9 : public TPlaceholderForm { // firmware download
    Q_OBJECT
public:
    explicit TK6Form9(QWidget* parent = nullptr)
        : TPlaceholderForm("TK6Form9", "Firmware download memory and FPGA", parent) {}
};

// The door-phone window. Closing it ends the program, as closing the K6 window does.
class TDPhone1 : public TPlaceholderForm {
    Q_OBJECT
public:
    explicit TDPhone1(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace dalvex
