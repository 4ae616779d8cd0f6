#pragma once
// Windows whose contents are not built yet: each is a real window with its own class name that
// says so on screen.

#include <QWidget>

class QLabel;

namespace dalvex {

class TPlaceholderForm : public QWidget {
    Q_OBJECT
public:
    TPlaceholderForm(const QString& name, const QString& caption, QWidget* parent = nullptr);

    // A hidden-until-needed control the other windows already show or hide by name.
    QWidget* AddNamedControl(QWidget* control, const QString& name);

protected:
    QLabel* notice_;
};

// The text shown where a window or page has not been built yet.
QString NotBuiltYetText();

} // namespace dalvex
