#pragma once
// The four K6 models, one row each: what the start window, the K6 window, the engine, backups,
// dalvex-cli and the firmware download need to know about a type code. Whatever differs between
// the models is read from here.

#include "i18n/product_variant.h"

#include <QString>
#include <array>
#include <span>

namespace dalvex {

struct ModuleModel {
    int typeCode;   // what the module answers to the identification probe
    int engineType; // the engine's ModuleType: a door phone is talked to as the main model
    QString BrandFields::*name;
    const char* searchLabel;  // what the start window shows for it, when not its name
    bool contactIdTables;     // its configuration carries the Contact ID bank (0x34)
    bool doorPhone;           // handed over to the compact door-phone window
    int processorCode;        // R0 of its processor reply
    int firmwareSlot;         // the firmware image for it
    // What the hand-over does to the K6 window. Control names with a "StatusWindow." prefix belong to
    // the status window.
    std::span<const char* const> shownPages;
    std::span<const char* const> hiddenPages;
    std::span<const char* const> shownControls;
    std::span<const char* const> hiddenControls;
};

namespace models_detail {
inline constexpr const char* kPhones5To8[] = {"MaskEdit5", "MaskEdit6", "MaskEdit7", "MaskEdit8", "Label6",
                                              "Label7",    "Label8",    "Label9",    "Label96",   "Label98"};
inline constexpr const char* kCompactHidden[] = {
    "Panel10",     "Label106",   "Label107",    "SpinEdit15",           "SpinEdit16",
    "ComboBox15",  "CheckBox12", "CheckEgyeb3", "CheckEgyeb4",          "CheckEgyeb5",
    "CheckEgyeb6", "Label57",    "ComboBox12",  "StatusWindow.Label11", "StatusWindow.Edit3"};
inline constexpr const char* kCompactHidden73[] = {
    "Panel10",     "Label106",   "Label107",    "SpinEdit15",           "SpinEdit16",
    "ComboBox15",  "CheckBox12", "CheckEgyeb3", "CheckEgyeb4",          "CheckEgyeb5",
    "CheckEgyeb6", "Label57",    "ComboBox12",  "StatusWindow.Label11", "StatusWindow.Edit3",
    "Label105",    "Edit19",     "BitBtn15"};
inline constexpr const char* kStatusLineFields[] = {"StatusWindow.Label11", "StatusWindow.Edit3"};

inline constexpr const char* kShown72[] = {"TabSheet4", "TabSheet5", "TabSheet12", "TabSheet22"};
inline constexpr const char* kHidden72[] = {"TabSheet6",  "TabSheet7",  "TabSheet8",  "TabSheet9",
                                            "TabSheet16", "TabSheet17", "TabSheet18", "TabSheet19"};
inline constexpr const char* kShown73[] = {"TabSheet12", "TabSheet22"};
inline constexpr const char* kHidden73[] = {"TabSheet4",  "TabSheet5",  "TabSheet6",  "TabSheet7",
                                            "TabSheet8",  "TabSheet9",  "TabSheet11", "TabSheet16",
                                            "TabSheet17", "TabSheet18", "TabSheet19"};
inline constexpr const char* kShown74[] = {"TabSheet21", "TabSheet25", "TabSheet11", "TabSheet12", "TabSheet22"};
inline constexpr const char* kHidden74[] = {"TabSheet4",  "TabSheet5",  "TabSheet6",  "TabSheet7",  "TabSheet8",
                                            "TabSheet9",  "TabSheet16", "TabSheet17", "TabSheet18", "TabSheet19"};
} // namespace models_detail

inline constexpr std::array<ModuleModel, 4> kModuleModels{{
    {72, 72, &BrandFields::ProModelName, nullptr, false, false, 10, 10, models_detail::kShown72,
     models_detail::kHidden72, models_detail::kPhones5To8, models_detail::kStatusLineFields},
    {73, 73, &BrandFields::MiniModelName, nullptr, false, false, 12, 12, models_detail::kShown73,
     models_detail::kHidden73, models_detail::kPhones5To8, models_detail::kCompactHidden73},
    {74, 74, &BrandFields::LineModelName, nullptr, true, false, 10, 13, models_detail::kShown74,
     models_detail::kHidden74, models_detail::kPhones5To8, models_detail::kCompactHidden},
    // The door phone's K6 window is set up as the main model's.
    {75, 72, &BrandFields::DoorModelName, "Portun", false, true, 10, 14, models_detail::kShown72,
     models_detail::kHidden72, models_detail::kPhones5To8, models_detail::kStatusLineFields},
}};

// The row of a type code; null for a code the tool does not serve.
constexpr const ModuleModel* FindModel(int typeCode) {
    for (const ModuleModel& m : kModuleModels)
        if (m.typeCode == typeCode) return &m;
    return nullptr;
}

// The display name of a type code in `brand` ("Varnet GSM"); empty for a code not served.
inline QString ModelName(int typeCode, const BrandFields& brand) {
    const ModuleModel* m = FindModel(typeCode);
    return m ? brand.*(m->name) : QString();
}

// Whether the engine's model talks with the Contact ID bank.
inline bool HasContactIdTables(int engineType) {
    const ModuleModel* m = FindModel(engineType);
    return m && m->contactIdTables;
}

} // namespace dalvex
