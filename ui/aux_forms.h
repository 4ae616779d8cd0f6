#pragma once
// The windows beside the start window and the K6 window. Each is built out by the work on its own
// function; until then it is a window that says it is not built yet.

#include "placeholder_form.h"
#include "tdphone1.h"
#include "tk6form2.h"
#include "tk6form3.h"

namespace dalvex {

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

} // namespace dalvex
