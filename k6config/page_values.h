#pragma once
// The values of one window's controls, held per control of its table (controls.h). This is the
// working copy of the configuration between a read and the next send: the image codec writes it
// from and into the configuration image, and the windows bind their widgets to it through the
// change signals.

#include "controls.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace dalvex::k6config {

class PageValues : public QObject {
    Q_OBJECT
public:
    explicit PageValues(const ControlTable& table, QObject* parent = nullptr);

    const ControlTable& table() const { return table_; }
    // Every control back to its initial value and enabled state; EventSmsMask to zero.
    void reset();

    // The number of a Choice (item index, -1 = no selection), Check (0, 1), Spin or Value, or the
    // mask of a CheckList. Setting keeps to the control: an index outside the items gives no
    // selection, a spin value is held within its limits (or wraps), a check is 0 or 1.
    int number(std::string_view name) const;
    void setNumber(std::string_view name, int value);

    int index(std::string_view name) const { return number(name); }
    void setIndex(std::string_view name, int itemIndex) { setNumber(name, itemIndex); }
    bool checked(std::string_view name) const { return number(name) != 0; }
    void setChecked(std::string_view name, bool on) { setNumber(name, on ? 1 : 0); }

    // Text and EditCombo; setting cuts the text to the control's maximum length.
    QString text(std::string_view name) const;
    void setText(std::string_view name, const QString& text);

    // CheckList items. The mask is the PhoneMask: bit i = item i checked.
    std::uint8_t mask(std::string_view name) const { return static_cast<std::uint8_t>(number(name)); }
    void setMask(std::string_view name, std::uint8_t mask) { setNumber(name, mask); }
    bool itemChecked(std::string_view name, int item) const { return (mask(name) >> item) & 1u; }
    void setItemChecked(std::string_view name, int item, bool on);
    std::uint8_t itemEnabledMask(std::string_view name) const;
    void setItemEnabledMask(std::string_view name, std::uint8_t mask);
    bool itemEnabled(std::string_view name, int item) const { return (itemEnabledMask(name) >> item) & 1u; }

    // Whether the control takes input.
    bool enabled(std::string_view name) const;
    void setEnabled(std::string_view name, bool on);

    // Grid cells; row 0 is the header row.
    QString cell(std::string_view grid, int row, int column) const;
    void setCell(std::string_view grid, int row, int column, const QString& text);

    // The per-event SMS phone selection of the event-code grid, rows 1..256.
    std::uint8_t eventSmsMask(int row) const;
    void setEventSmsMask(int row, std::uint8_t mask);

    // Every value (numbers, texts, grid cells, the per-event SMS selection) in one comparable
    // block, without the enabled states: equal snapshots hold the same configuration.
    QByteArray Snapshot() const;

    // Asks the window to run the show handler of `page` (a TabSheet name); the image decoding
    // requests it after each alarm source, once the model's own part (the phone items' enabled
    // state) is done.
    void requestShowHandler(const QString& page) { emit showHandlerRequested(page); }

signals:
    void valueChanged(const QString& name);   // number, text or items of a control changed
    void enabledChanged(const QString& name); // the control's or one of its items' enabled state
    void cellChanged(const QString& grid, int row, int column);
    void eventSmsMaskChanged(int row);
    void showHandlerRequested(const QString& page);

private:
    struct State {
        int number = 0;
        QString text;
        std::uint8_t itemEnabled = 0xFF;
        bool enabled = true;
        std::vector<QString> cells;
    };

    // The control's row; an unknown name is reported and answered by a scratch slot.
    int slot(std::string_view name) const;
    State& state(std::string_view name, int& row);
    const State& state(std::string_view name) const;
    int keep(const ControlDef& def, int value) const;

    const ControlTable& table_;
    std::vector<State> states_;
    State scratch_;
    std::array<std::uint8_t, kGridRecords> eventSmsMask_{};
};

} // namespace dalvex::k6config
