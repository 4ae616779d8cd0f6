#include "aux_forms.h"

#include "forms.h"
#include "tform1.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>

namespace dalvex {

TDPhone1::TDPhone1(QWidget* parent)
    : TPlaceholderForm("TDPhone1", "Portun GSM", parent) {}

void TDPhone1::closeEvent(QCloseEvent* event) {
    event->accept();
    if (Form1) Form1->close();
}

} // namespace dalvex
