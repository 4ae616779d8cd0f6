#pragma once
// The language passes: the catalogue's texts of the chosen language put on every window found by
// its object name, the copy pass that gives look-alike controls their master's text, the check
// marks of the language menu, the texts structs of the operations and Qt's own translations.

#include "i18n/catalogue.h"

#include <optional>

class QWidget;

namespace dalvex {

class ConfigWindow;

// The start pass: the K6 window's `Language` timer, 300 ms after the start window enabled it.
void RunStartLanguagePass(ConfigWindow& window);

// The language part of the K6 window's activation.
void ApplyActivationLanguagePass(ConfigWindow& window);

// The eight items of the language menu: each writes the "Language" setting and runs the window's
// activation handler, which applies the language.
void ConnectLanguageMenu(ConfigWindow& window);

// One pass with `catalogue` (tests pass their own): the entries of `language` (none when nullopt),
// then the copy pass and the fixed items of module type 73; the activation pass also moves the
// check mark of the language menu.
void RunLanguagePass(ConfigWindow& window, const i18n::Catalogue& catalogue, std::optional<int> language,
                     i18n::Pass pass);

// Gives a window created after the language passes have begun the language of the last pass, as if
// it had existed then; nothing before the first pass.
void ApplyLanguageToNewWindow(QWidget* window);
// Forgets the last pass (the windows are destroyed).
void ForgetLanguagePass();

// The top-level window with object name `name`; nullptr when there is none.
QWidget* FindWindow(const QString& name);

} // namespace dalvex
