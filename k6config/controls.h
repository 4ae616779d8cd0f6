#pragma once
// The control tables: every value the editing pages hold, declared once with its kind, limits,
// items and initial value. The page values (page_values.h) are built from a table, the image
// codec reads and writes them by name, and the windows build and bind their widgets from the
// same rows.

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dalvex::k6config {

enum class ControlKind {
    Choice,    // combo box or radio group: an item index, -1 = no selection
    Check,     // check box
    CheckList, // check list of eight phone items, each with its own enabled state
    Spin,      // integer between limits
    Text,      // edit with a maximum length
    EditCombo, // editable combo box: a text, with suggested items
    Grid,      // rows x columns of texts; row 0 is the fixed header row
    Value,     // a number the window keeps beside its controls (no widget)
};

struct ControlDef {
    QString name; // the component name
    ControlKind kind = ControlKind::Check;
    // Spin and Value: limits and the arrow step. With `wraps`, entering a limit gives the value
    // next to the other limit (-1..24 as an hour: -1 becomes 23, 24 becomes 0).
    int minimum = 0;
    int maximum = 0;
    int step = 1;
    bool wraps = false;
    // Choice: the item index; Check: 0 or 1; Spin and Value: the value; CheckList: the mask.
    int initialNumber = 0;
    QString initialText; // Text, EditCombo
    int maxLength = 0;   // Text, EditCombo: the most characters the value holds
    // Text: the most characters typing may reach, when the editor allows fewer than the module's
    // memory holds (0: maxLength). A longer text that arrives from a module or a file is kept whole.
    int typedLength = 0;
    QStringList items;   // Choice, EditCombo, CheckList: design-time item texts
    int rows = 0;        // Grid, header row included
    int columns = 0;     // Grid
    bool initiallyEnabled = true;

    int itemCount() const { return static_cast<int>(items.size()); }
};

class ControlTable {
public:
    ControlTable(QString window, std::vector<ControlDef> controls);
    ControlTable(const ControlTable&) = delete;
    ControlTable& operator=(const ControlTable&) = delete;

    // The design name of the window the controls belong to.
    const QString& window() const { return window_; }
    const std::vector<ControlDef>& controls() const { return controls_; }
    int size() const { return static_cast<int>(controls_.size()); }
    const ControlDef& at(int index) const { return controls_[static_cast<std::size_t>(index)]; }
    // The row of `name`, -1 when the table has none.
    int indexOf(std::string_view name) const;

private:
    QString window_;
    std::vector<ControlDef> controls_;
    std::vector<std::string> keys_;
    std::unordered_map<std::string_view, int> index_;
};

// The controls of the K6 configuration window.
const ControlTable& K6Controls();
// The controls of the door-phone window: the five it stores itself and those it mirrors.
const ControlTable& DoorPhoneControls();
// Controls of the K6 window whose values the configuration image does not hold: the customer
// records (kept in configuration files only), the temperature SMS texts, the Contact ID table
// option (a setting) and the caller-ID list (SIM phonebook and list files).
const ControlTable& K6LocalControls();

// Texts shared by several tables.
inline constexpr int kPhoneCount = 8;
inline constexpr int kSmsTextLength = 32;
inline constexpr int kGridRecords = 256;   // grid rows 1..256
inline constexpr int kPhonebookRows = 250; // caller-ID grid rows 1..250
QString PhoneItemCaption(int item);        // "Phone1".."Phone8" for items 0..7

} // namespace dalvex::k6config
