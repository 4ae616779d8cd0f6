#pragma once
// Filling the operations' `...Texts` structs from the catalogue. Each struct is one line of
// FillCatalogueTexts: its fields by pointer to member, looked up by their Hungarian defaults.

#include "i18n/catalogue.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <initializer_list>

namespace dalvex {

class ConfigWindow;

// Sets each listed field of `texts` to the catalogue's text in `language`, found by the field's
// Hungarian default (the value of a default-built T); a field without an entry keeps its text.
// A default without an entry is added to `missing` when given (the tests' guard against a default
// that differs from its row and would silently stay Hungarian).
template <class T>
void FillTexts(T& texts, std::initializer_list<QString T::*> fields, const i18n::Catalogue& catalogue,
               int language, i18n::Pass pass, QStringList* missing = nullptr) {
    static const T hungarian{};
    for (QString T::*field : fields) {
        if (auto text = catalogue.Message(hungarian.*field, language, pass))
            texts.*field = *text;
        else if (missing)
            missing->append(hungarian.*field);
    }
}

// The same for a field that is an array of texts (grid headers, state lists).
template <class T, std::size_t N>
void FillTextArray(T& texts, std::array<QString, N> T::*field, const i18n::Catalogue& catalogue, int language,
                   i18n::Pass pass, QStringList* missing = nullptr) {
    static const T hungarian{};
    for (std::size_t i = 0; i < N; ++i) {
        const QString& key = (hungarian.*field)[i];
        if (auto text = catalogue.Message(key, language, pass))
            (texts.*field)[i] = *text;
        else if (missing)
            missing->append(key);
    }
}

// Every texts struct of the windows and their operations, filled for `language`; windows that
// show texts of their struct on controls are refreshed. `missing` collects defaults without a key.
void FillCatalogueTexts(ConfigWindow& window, const i18n::Catalogue& catalogue, int language, i18n::Pass pass,
                        QStringList* missing = nullptr);

} // namespace dalvex
