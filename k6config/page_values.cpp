#include "page_values.h"

#include <QDebug>
#include <algorithm>

namespace dalvex::k6config {

PageValues::PageValues(const ControlTable& table, QObject* parent)
    : QObject(parent)
    , table_(table)
    , states_(static_cast<std::size_t>(table.size())) {
    reset();
}

QByteArray PageValues::Snapshot() const {
    QByteArray out;
    const auto add = [&out](const QString& text) {
        out += text.toUtf8();
        out += '\0';
    };
    for (const State& s : states_) {
        out += QByteArray::number(s.number);
        out += '\0';
        add(s.text);
        for (const QString& cell : s.cells)
            add(cell);
        out += '\1';
    }
    out += QByteArray(reinterpret_cast<const char*>(eventSmsMask_.data()), static_cast<int>(eventSmsMask_.size()));
    return out;
}

void PageValues::reset() {
    for (int i = 0; i < table_.size(); ++i) {
        const ControlDef& def = table_.at(i);
        State& s = states_[static_cast<std::size_t>(i)];
        s.number = def.initialNumber;
        s.text = def.initialText;
        s.itemEnabled = 0xFF;
        s.enabled = def.initiallyEnabled;
        s.cells.assign(static_cast<std::size_t>(def.rows * def.columns), QString());
        emit valueChanged(def.name);
        emit enabledChanged(def.name);
    }
    eventSmsMask_.fill(0);
}

int PageValues::slot(std::string_view name) const {
    const int row = table_.indexOf(name);
    if (row < 0)
        qWarning("%s has no control %.*s", qPrintable(table_.window()), static_cast<int>(name.size()),
                 name.data());
    return row;
}

PageValues::State& PageValues::state(std::string_view name, int& row) {
    row = slot(name);
    if (row < 0) {
        scratch_ = State{};
        return scratch_;
    }
    return states_[static_cast<std::size_t>(row)];
}

const PageValues::State& PageValues::state(std::string_view name) const {
    const int row = slot(name);
    return row < 0 ? scratch_ : states_[static_cast<std::size_t>(row)];
}

int PageValues::keep(const ControlDef& def, int value) const {
    switch (def.kind) {
    case ControlKind::Choice:
        return value >= 0 && value < def.itemCount() ? value : -1;
    case ControlKind::Check:
        return value != 0 ? 1 : 0;
    case ControlKind::CheckList:
        return value & 0xFF;
    case ControlKind::Spin:
    case ControlKind::Value:
        value = std::clamp(value, def.minimum, def.maximum);
        if (def.wraps) {
            if (value == def.minimum) return def.maximum - 1;
            if (value == def.maximum) return def.minimum + 1;
        }
        return value;
    case ControlKind::Text:
    case ControlKind::EditCombo:
    case ControlKind::Grid:
        break;
    }
    return value;
}

int PageValues::number(std::string_view name) const {
    return state(name).number;
}

void PageValues::setNumber(std::string_view name, int value) {
    int row = -1;
    State& s = state(name, row);
    if (row < 0) return;
    const ControlDef& def = table_.at(row);
    value = keep(def, value);
    if (s.number == value) return;
    s.number = value;
    emit valueChanged(def.name);
}

QString PageValues::text(std::string_view name) const {
    return state(name).text;
}

void PageValues::setText(std::string_view name, const QString& text) {
    int row = -1;
    State& s = state(name, row);
    if (row < 0) return;
    const ControlDef& def = table_.at(row);
    const QString kept = def.maxLength > 0 ? text.left(def.maxLength) : text;
    if (s.text == kept) return;
    s.text = kept;
    emit valueChanged(def.name);
}

void PageValues::setItemChecked(std::string_view name, int item, bool on) {
    if (item < 0 || item >= 8) return;
    const std::uint8_t bit = static_cast<std::uint8_t>(1u << item);
    const std::uint8_t m = mask(name);
    setMask(name, on ? (m | bit) : (m & ~bit));
}

std::uint8_t PageValues::itemEnabledMask(std::string_view name) const {
    return state(name).itemEnabled;
}

void PageValues::setItemEnabledMask(std::string_view name, std::uint8_t mask) {
    int row = -1;
    State& s = state(name, row);
    if (row < 0 || s.itemEnabled == mask) return;
    s.itemEnabled = mask;
    emit enabledChanged(table_.at(row).name);
}

bool PageValues::enabled(std::string_view name) const {
    return state(name).enabled;
}

void PageValues::setEnabled(std::string_view name, bool on) {
    int row = -1;
    State& s = state(name, row);
    if (row < 0 || s.enabled == on) return;
    s.enabled = on;
    emit enabledChanged(table_.at(row).name);
}

QString PageValues::cell(std::string_view grid, int row, int column) const {
    const int r = slot(grid);
    if (r < 0) return {};
    const ControlDef& def = table_.at(r);
    if (row < 0 || row >= def.rows || column < 0 || column >= def.columns) return {};
    return states_[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(row * def.columns + column)];
}

void PageValues::setCell(std::string_view grid, int row, int column, const QString& text) {
    const int r = slot(grid);
    if (r < 0) return;
    const ControlDef& def = table_.at(r);
    if (row < 0 || row >= def.rows || column < 0 || column >= def.columns) return;
    QString& c =
        states_[static_cast<std::size_t>(r)].cells[static_cast<std::size_t>(row * def.columns + column)];
    if (c == text) return;
    c = text;
    emit cellChanged(def.name, row, column);
}

std::uint8_t PageValues::eventSmsMask(int row) const {
    return row >= 1 && row <= kGridRecords ? eventSmsMask_[static_cast<std::size_t>(row - 1)] : 0;
}

void PageValues::setEventSmsMask(int row, std::uint8_t mask) {
    if (row < 1 || row > kGridRecords) return;
    std::uint8_t& m = eventSmsMask_[static_cast<std::size_t>(row - 1)];
    if (m == mask) return;
    m = mask;
    emit eventSmsMaskChanged(row);
}

} // namespace dalvex::k6config
