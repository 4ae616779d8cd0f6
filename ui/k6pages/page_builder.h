#pragma once
// Lays out the widgets of one page: sections stacked top to bottom, each a row of columns, each
// column a stack of titled groups; inside a group, rows of caption and control. Every input control
// gets its caption label as buddy, and the label follows the control when it is shown or hidden.

#include "bound_widgets.h"

#include <QString>
#include <initializer_list>

class QBoxLayout;
class QGridLayout;
class QGroupBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace dalvex::k6pages {

class PageBuilder {
public:
    PageBuilder(QWidget* page, Bindings& bindings);
    PageBuilder(const PageBuilder&) = delete;
    PageBuilder& operator=(const PageBuilder&) = delete;
    ~PageBuilder();

    QWidget* page() const { return page_; }
    Bindings& bindings() const { return bindings_; }

    // A new band across the page, below the previous one. An expanding band takes the room the
    // page has to spare (for grids); the others keep their contents at their natural size, top left.
    void section(bool expanding = false);
    // The next column of the current band; columns with a stretch share the band's spare width.
    void column(int stretch = 0);
    // A titled group at the bottom of the current column; rows go into it until endGroup().
    QGroupBox* group(const QString& title, const QString& name = {});
    void endGroup();

    // The bound widget of a control, made in the current group (or column).
    QWidget* make(const QString& control, const WidgetOptions& options = {});
    // A caption label for `buddy`; `name` is its component name (empty: "Label" + the buddy's).
    QLabel* caption(QWidget* buddy, const QString& text, const QString& name = {});
    QLabel* label(const QString& name, const QString& text);
    QPushButton* button(const QString& name, const QString& text);

    // Rows of the current group. `row` puts its widgets into consecutive grid columns (nullptr
    // skips one); the last one takes the rest of the row.
    void row(std::initializer_list<QWidget*> widgets);
    // Caption, control.
    QWidget* field(const QString& control, const QString& captionText, const QString& labelName = {},
                   Look look = Look::Default);
    // A check box across the row.
    QWidget* check(const QString& control, const QString& captionText);
    // A check box whose control sits beside it (the box usually switches the control on).
    QWidget* checkWith(const QString& checkControl, const QString& captionText, const QString& control);
    // A radio group across the row.
    QWidget* radio(const QString& control, const QString& title, Look look = Look::Radio);
    // A caption above a control that takes the width of the group (lists, grids).
    QWidget* above(const QString& control, const QString& captionText, const QString& labelName = {},
                   const WidgetOptions& options = {});
    // Empty room at the bottom of the current column.
    void stretch();

    // Where widgets of the current group (or column) are made.
    QWidget* container() const;

private:
    QGridLayout* form();
    void finishColumn();
    void finishBand();

    QWidget* page_;
    Bindings& bindings_;
    QVBoxLayout* bands_ = nullptr;
    QBoxLayout* band_ = nullptr;
    QVBoxLayout* column_ = nullptr;
    QGroupBox* group_ = nullptr;
    QObject* follower_ = nullptr; // keeps an unnamed group hidden while all its controls are
    QGridLayout* form_ = nullptr;
    int row_ = 0;
    bool expanding_ = false;
    bool anyExpanding_ = false;
};

} // namespace dalvex::k6pages
