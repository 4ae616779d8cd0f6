#pragma once
// Widgets built from rows of the control tables (k6config/controls.h) and bound both ways to the
// window's values: a change of a value shows on its widget at once, whoever made it (an edit, the
// image decoding, a page rule), and an edit of the widget is stored in the value.

#include "k6config/page_values.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <string_view>
#include <vector>

class QWidget;

namespace dalvex::k6pages {

// Hands the change signals of one value set to the code that follows each control.
class ValueWatch : public QObject {
    Q_OBJECT
public:
    ValueWatch(k6config::PageValues& values, QObject* parent);

    k6config::PageValues& values() const { return values_; }

    void onValue(const QString& name, std::function<void()> f);
    void onEnabled(const QString& name, std::function<void()> f);
    void onCell(const QString& grid, std::function<void(int row, int column)> f);

private:
    k6config::PageValues& values_;
    QHash<QString, std::vector<std::function<void()>>> value_;
    QHash<QString, std::vector<std::function<void()>>> enabled_;
    QHash<QString, std::vector<std::function<void(int, int)>>> cell_;
};

// How a control is shown where its kind allows a choice.
enum class Look {
    Default,  // the kind's own widget
    Radio,    // a Choice as a titled group of radio buttons, one under the other
    RadioRow, // the same, side by side
    Phone,    // a Text as a phone number field with the edit mask of the phone numbers
};

struct WidgetOptions {
    QString caption; // check box text, radio group title, accessible name of the others
    Look look = Look::Default;
    QStringList titles;     // Grid: column titles shown while the header row of the values is empty
    QList<int> columnChars; // Grid: widths of the first columns in characters; the last one stretches
};

inline WidgetOptions Captioned(const QString& caption, Look look = Look::Default) {
    WidgetOptions o;
    o.caption = caption;
    o.look = look;
    return o;
}

// The value sets of one window, searched in order for the row of a control.
class Bindings {
public:
    explicit Bindings(QObject* owner)
        : owner_(owner) {}

    void add(k6config::PageValues& values);
    // The watch of the set that holds `name`, nullptr when none does.
    ValueWatch* watchOf(std::string_view name) const;
    const k6config::ControlDef* def(std::string_view name) const;

    // The widget of control `name`, bound to its value; objectName = `name`. A name no table holds
    // is a programming error: reported, and answered with an empty placeholder widget.
    QWidget* make(const QString& name, QWidget* parent, const WidgetOptions& options = {});

private:
    QObject* owner_;
    std::vector<ValueWatch*> watches_;
};

// The edit mask of the phone number fields: a sign or digit, then up to fifteen digits.
inline constexpr const char* kPhoneMask = "#999999999999999;_";

} // namespace dalvex::k6pages
