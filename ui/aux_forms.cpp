#include "aux_forms.h"

#include "forms.h"
#include "tform1.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

namespace dalvex {

TK6Form2::TK6Form2(QWidget* parent)
    : TPlaceholderForm("TK6Form2", "Modul állapotok", parent) {
    // The temperature field, which the hand-over hides for some models.
    AddNamedControl(new QLabel(QStringLiteral("Hőméséklet:"), this), QStringLiteral("Label11"));
    AddNamedControl(new QLineEdit(this), QStringLiteral("Edit3"));
}

} // namespace dalvex
