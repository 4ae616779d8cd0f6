#include "bound_widgets.h"

#include "k6config/field_codecs.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QValidator>
#include <QListWidget>
#include <QPointer>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtDebug>
#include <memory>
#include <string>

namespace dalvex::k6pages {

using k6config::ControlDef;
using k6config::ControlKind;
using k6config::PageValues;

ValueWatch::ValueWatch(PageValues& values, QObject* parent)
    : QObject(parent)
    , values_(values) {
    const auto run = [](const auto& handlers, const auto& key, auto... args) {
        const auto it = handlers.constFind(key);
        if (it == handlers.constEnd()) return;
        // Handlers are registered while the pages are built, never while a change is handed on.
        for (std::size_t i = 0; i < it->size(); ++i)
            (*it)[i](args...);
    };
    connect(&values, &PageValues::valueChanged, this, [this, run](const QString& n) { run(value_, n); });
    connect(&values, &PageValues::enabledChanged, this, [this, run](const QString& n) { run(enabled_, n); });
    connect(&values, &PageValues::cellChanged, this,
            [this, run](const QString& grid, int row, int column) { run(cell_, grid, row, column); });
}

void ValueWatch::onValue(const QString& name, std::function<void()> f) {
    value_[name].push_back(std::move(f));
}

void ValueWatch::onEnabled(const QString& name, std::function<void()> f) {
    enabled_[name].push_back(std::move(f));
}

void ValueWatch::onCell(const QString& grid, std::function<void(int, int)> f) {
    cell_[grid].push_back(std::move(f));
}

namespace {

// Everything a builder of one kind needs.
struct Build {
    const ControlDef& def;
    ValueWatch& watch;
    const WidgetOptions& options;
    QWidget* parent;
    std::string key; // the control's name as the values take it

    PageValues& values() const { return watch.values(); }
};

// Follows the value's enabled state; `extra` runs after it (item states of a check list).
void followEnabled(const Build& b, QWidget* w) {
    QPointer<QWidget> p(w);
    auto sync = [p, &v = b.values(), key = b.key] {
        if (p) p->setEnabled(v.enabled(key));
    };
    sync();
    b.watch.onEnabled(b.def.name, sync);
}

void followValue(const Build& b, std::function<void()> sync) {
    sync();
    b.watch.onValue(b.def.name, std::move(sync));
}

// Widgets echo a value set on them back through their change signals; the values ignore a setting
// equal to what they hold, so the echo ends there and a widget that adjusts what it is given (an
// edit mask, a length) hands its own version back.

// Room for `chars` digits in `w`'s font, frame included.
int digitsWidth(const QWidget* w, int chars) {
    const QFontMetrics fm = w->fontMetrics();
    return fm.horizontalAdvance(QString(chars, QLatin1Char('0'))) + fm.averageCharWidth() + 10;
}

// A field as wide as its longest text: short codes and numbers get exactly that, long texts a
// width that shows a good part of them and may grow.
void sizeForLength(QWidget* w, int maxLength, int extra = 0) {
    constexpr int kShort = 16;
    constexpr int kShown = 40;
    if (maxLength <= 0) return;
    if (maxLength <= kShort) {
        w->setFixedWidth(digitsWidth(w, maxLength) + extra);
        return;
    }
    w->setMinimumWidth(
        w->fontMetrics().horizontalAdvance(QString(std::min(maxLength, kShown), QLatin1Char('x'))) + 10 +
        extra);
}

QWidget* makeChoiceBox(const Build& b) {
    auto* box = new QComboBox(b.parent);
    box->addItems(b.def.items);
    box->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // Items change their texts (phone numbers, other languages): the box follows.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    QPointer<QComboBox> p(box);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (p && p->currentIndex() != v.index(key)) p->setCurrentIndex(v.index(key));
    });
    QObject::connect(box, &QComboBox::currentIndexChanged, box,
                     [&v = b.values(), key = b.key](int index) { v.setIndex(key, index); });
    return box;
}

QWidget* makeRadioGroup(const Build& b) {
    auto* group = new QGroupBox(b.options.caption, b.parent);
    QBoxLayout* layout = b.options.look == Look::RadioRow ? static_cast<QBoxLayout*>(new QHBoxLayout(group))
                                                          : new QVBoxLayout(group);
    auto* buttons = new QButtonGroup(group);
    for (int i = 0; i < b.def.itemCount(); ++i) {
        auto* radio = new QRadioButton(b.def.items[i], group);
        buttons->addButton(radio, i);
        layout->addWidget(radio);
    }
    QPointer<QButtonGroup> p(buttons);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (!p || p->checkedId() == v.index(key)) return;
        if (QAbstractButton* on = p->button(v.index(key))) {
            on->setChecked(true);
            return;
        }
        // No selection: an exclusive group cannot uncheck its last button.
        p->setExclusive(false);
        for (QAbstractButton* button : p->buttons())
            button->setChecked(false);
        p->setExclusive(true);
    });
    QObject::connect(buttons, &QButtonGroup::idToggled, group,
                     [&v = b.values(), key = b.key](int id, bool on) {
                         if (on) v.setIndex(key, id);
                     });
    return group;
}

QWidget* makeCheck(const Build& b) {
    auto* check = new QCheckBox(b.options.caption, b.parent);
    QPointer<QCheckBox> p(check);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (p && p->isChecked() != v.checked(key)) p->setChecked(v.checked(key));
    });
    QObject::connect(check, &QCheckBox::toggled, check,
                     [&v = b.values(), key = b.key](bool on) { v.setChecked(key, on); });
    return check;
}

QWidget* makeCheckList(const Build& b) {
    auto* list = new QListWidget(b.parent);
    for (const QString& caption : b.def.items) {
        auto* item = new QListWidgetItem(caption, list);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setCheckState(Qt::Unchecked);
    }
    // Tall enough for every item, so no list needs a scroll bar.
    const int rows = list->count();
    list->setFixedHeight(rows * list->sizeHintForRow(0) + 2 * list->frameWidth() + 2);
    // Wide enough for a whole phone number beside its check mark.
    list->setFixedWidth(digitsWidth(list, k6config::kDigitStringWidth) + 30);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    // While the widget follows the values its item signals are not edits.
    auto updating = std::make_shared<bool>(false);
    QPointer<QListWidget> p(list);
    followValue(b, [p, updating, &v = b.values(), key = b.key] {
        if (!p) return;
        *updating = true;
        for (int i = 0; i < p->count(); ++i)
            p->item(i)->setCheckState(v.itemChecked(key, i) ? Qt::Checked : Qt::Unchecked);
        *updating = false;
    });
    auto syncEnabled = [p, updating, &v = b.values(), key = b.key] {
        if (!p) return;
        *updating = true;
        p->setEnabled(v.enabled(key));
        for (int i = 0; i < p->count(); ++i) {
            QListWidgetItem* item = p->item(i);
            item->setFlags(v.itemEnabled(key, i) ? item->flags() | Qt::ItemIsEnabled
                                                 : item->flags() & ~Qt::ItemIsEnabled);
        }
        *updating = false;
    };
    syncEnabled();
    b.watch.onEnabled(b.def.name, syncEnabled);
    QObject::connect(list, &QListWidget::itemChanged, list,
                     [p, updating, &v = b.values(), key = b.key](QListWidgetItem* item) {
                         if (*updating || !p) return;
                         v.setItemChecked(key, p->row(item), item->checkState() == Qt::Checked);
                     });
    return list;
}

QWidget* makeSpin(const Build& b) {
    auto* spin = new QSpinBox(b.parent);
    spin->setRange(b.def.minimum, b.def.maximum);
    spin->setSingleStep(b.def.step);
    spin->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    QPointer<QSpinBox> p(spin);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (p && p->value() != v.number(key)) p->setValue(v.number(key));
    });
    QObject::connect(spin, &QSpinBox::valueChanged, spin,
                     [&v = b.values(), key = b.key](int value) { v.setNumber(key, value); });
    return spin;
}

// Typing stops at `limit` characters, while a longer text set from a module or a file stays whole
// and can be shortened: an edit that makes the text longer than the limit and than it was is
// refused. The line edit validates its new text in place, so the length it had is kept here.
class TypingLimit final : public QValidator {
public:
    TypingLimit(QLineEdit* edit, int limit)
        : QValidator(edit)
        , limit_(limit) {
        connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { length_ = text.size(); });
    }
    State validate(QString& input, int&) const override {
        return input.size() > limit_ && input.size() > length_ ? Invalid : Acceptable;
    }

private:
    int limit_;
    qsizetype length_ = 0;
};

QWidget* makeText(const Build& b) {
    auto* edit = new QLineEdit(b.parent);
    if (b.options.look == Look::Phone) edit->setInputMask(QString::fromLatin1(kPhoneMask));
    if (b.def.maxLength > 0) edit->setMaxLength(b.def.maxLength);
    if (b.def.typedLength > 0) edit->setValidator(new TypingLimit(edit, b.def.typedLength));
    sizeForLength(edit, b.def.typedLength > 0 ? b.def.typedLength : b.def.maxLength);
    QPointer<QLineEdit> p(edit);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (p && p->text() != v.text(key)) p->setText(v.text(key));
    });
    QObject::connect(edit, &QLineEdit::textChanged, edit,
                     [&v = b.values(), key = b.key](const QString& text) { v.setText(key, text); });
    return edit;
}

QWidget* makeEditCombo(const Build& b) {
    auto* box = new QComboBox(b.parent);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    box->addItems(b.def.items);
    if (b.def.maxLength > 0) box->lineEdit()->setMaxLength(b.def.maxLength);
    sizeForLength(box, b.def.maxLength, box->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8);
    QPointer<QComboBox> p(box);
    followValue(b, [p, &v = b.values(), key = b.key] {
        if (p && p->currentText() != v.text(key)) p->setCurrentText(v.text(key));
    });
    QObject::connect(box, &QComboBox::currentTextChanged, box,
                     [&v = b.values(), key = b.key](const QString& text) { v.setText(key, text); });
    return box;
}

QWidget* makeGrid(const Build& b) {
    // Row 0 of the values is the grid's fixed header row; rows 1.. are the grid's rows.
    const int rows = b.def.rows - 1;
    auto* grid = new QTableWidget(rows, b.def.columns, b.parent);
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    for (int c = 0; c < b.options.columnChars.size() && c < b.def.columns; ++c)
        grid->setColumnWidth(c, digitsWidth(grid, b.options.columnChars[c]));
    QPointer<QTableWidget> p(grid);
    auto header = [p, &v = b.values(), key = b.key, titles = b.options.titles](int column) {
        QString title = v.cell(key, 0, column);
        if (title.isEmpty() && column < titles.size()) title = titles[column];
        p->setHorizontalHeaderItem(column, new QTableWidgetItem(title));
    };
    for (int c = 0; c < b.def.columns; ++c) {
        header(c);
        for (int r = 0; r < rows; ++r)
            grid->setItem(r, c, new QTableWidgetItem(b.values().cell(b.key, r + 1, c)));
    }
    b.watch.onCell(b.def.name, [p, header, &v = b.values(), key = b.key](int row, int column) {
        if (!p) return;
        if (row == 0) {
            header(column);
            return;
        }
        QTableWidgetItem* item = p->item(row - 1, column);
        const QString text = v.cell(key, row, column);
        if (item && item->text() != text) item->setText(text);
    });
    QObject::connect(grid, &QTableWidget::itemChanged, grid,
                     [&v = b.values(), key = b.key](QTableWidgetItem* item) {
                         v.setCell(key, item->row() + 1, item->column(), item->text());
                     });
    return grid;
}

QWidget* makeValue(const Build& b) {
    qWarning("%s is kept beside the controls and has no widget", qPrintable(b.def.name));
    return new QWidget(b.parent);
}

QWidget* makeChoice(const Build& b) {
    return b.options.look == Look::Radio || b.options.look == Look::RadioRow ? makeRadioGroup(b)
                                                                             : makeChoiceBox(b);
}

using Maker = QWidget* (*)(const Build&);
// By ControlKind: Choice, Check, CheckList, Spin, Text, EditCombo, Grid, Value.
constexpr Maker kMakers[] = {makeChoice, makeCheck,     makeCheckList, makeSpin,
                             makeText,   makeEditCombo, makeGrid,      makeValue};
static_assert(std::size(kMakers) == static_cast<std::size_t>(ControlKind::Value) + 1);

} // namespace

void Bindings::add(PageValues& values) {
    watches_.push_back(new ValueWatch(values, owner_));
}

ValueWatch* Bindings::watchOf(std::string_view name) const {
    for (ValueWatch* w : watches_)
        if (w->values().table().indexOf(name) >= 0) return w;
    return nullptr;
}

const ControlDef* Bindings::def(std::string_view name) const {
    ValueWatch* w = watchOf(name);
    return w ? &w->values().table().at(w->values().table().indexOf(name)) : nullptr;
}

QWidget* Bindings::make(const QString& name, QWidget* parent, const WidgetOptions& options) {
    const std::string key = name.toStdString();
    ValueWatch* watch = watchOf(key);
    QWidget* w = nullptr;
    if (!watch) {
        qWarning("no control table holds %s", qPrintable(name));
        w = new QWidget(parent);
    } else {
        const Build b{*def(key), *watch, options, parent, key};
        w = kMakers[static_cast<std::size_t>(b.def.kind)](b);
        if (b.def.kind != ControlKind::Check && !options.caption.isEmpty())
            w->setAccessibleName(options.caption);
        followEnabled(b, w);
    }
    w->setObjectName(name);
    return w;
}

} // namespace dalvex::k6pages
