#include "placeholder_form.h"

#include <QLabel>
#include <QVBoxLayout>

namespace dalvex {

QString NotBuiltYetText() {
    return QStringLiteral("Ez a rész még nem készült el. / This part is not built yet.");
}

TPlaceholderForm::TPlaceholderForm(const QString& name, const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window) {
    setObjectName(name);
    setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    notice_ = new QLabel(NotBuiltYetText(), this);
    notice_->setObjectName(QStringLiteral("NotBuiltYet"));
    notice_->setAlignment(Qt::AlignCenter);
    notice_->setWordWrap(true);
    layout->addWidget(notice_);
    resize(420, 200);
}

QWidget* TPlaceholderForm::AddNamedControl(QWidget* control, const QString& name) {
    control->setObjectName(name);
    layout()->addWidget(control);
    return control;
}

} // namespace dalvex
