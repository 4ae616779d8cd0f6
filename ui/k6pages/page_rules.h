#pragma once
// The pages' rules as data: which controls take input while which values hold, the selections the
// window puts in place when it is activated, and what each module software version shows or hides.

#include <climits>
#include <initializer_list>
#include <span>

namespace dalvex::k6pages {

// --- Enabled states ------------------------------------------------------------------------------

enum class When {
    Checked,  // the check box is checked
    Item0,    // the choice selects item 0
    NotItem0, // the choice selects anything but item 0 (no selection included)
    Item1,    // the choice selects item 1
};

struct Condition {
    const char* control = nullptr; // nullptr: no condition
    When when = When::Checked;
};

// `target` takes input exactly while both conditions hold (always, without conditions).
struct EnableRule {
    const char* target;
    Condition first;
    Condition second = {};
};

// An alarm source whose type box switches its two phone lists on and off.
struct SourceLists {
    const char* typeBox;
    const char* sms;
    const char* voice;
};
std::span<const SourceLists> EightSourceLists();

// Every enabled-state rule of the pages, the source lists included.
std::span<const EnableRule> EnableRules();

// --- Activation ------------------------------------------------------------------------------------

struct SelectionDefault {
    const char* control;
    int item;
    int moduleType = 0; // 0: every module type
};
std::span<const SelectionDefault> ActivationSelections();

// --- Module software version -------------------------------------------------------------------------

enum class Effect {
    Show,
    Hide,
    Enable,
    SelectFirstItem,
    DisableAndEmpty,
};

// Applies when the module type is one of `types` (empty: any) and from <= Version < below. Targets
// are pages (TabSheet names), menu items and controls, by component name.
struct VersionRule {
    std::initializer_list<int> types;
    int from;
    int below;
    Effect effect;
    std::initializer_list<const char*> targets;
};
inline constexpr int kAnyVersion = INT_MIN;
inline constexpr int kNoLimit = INT_MAX;
// In the order they are applied.
std::span<const VersionRule> VersionRules();

// Controls that are hidden from the start, whatever the module.
std::span<const char* const> HiddenByDesign();

} // namespace dalvex::k6pages
