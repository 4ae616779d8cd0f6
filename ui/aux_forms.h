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

// The door-phone window. Closing it ends the program, as closing the K6 window does.
class TDPhone1 : public TPlaceholderForm {
    Q_OBJECT
public:
    explicit TDPhone1(QWidget* parent = nullptr);

protected:
    void closeEvent(QCloseEvent* event) override;
};

} // namespace dalvex
