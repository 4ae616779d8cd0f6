#pragma once
// Filling the operations' `...Texts` structs from the catalogue. Each struct is one line of
// FillCatalogueTexts: its fields by pointer to member, looked up by their Hungarian defaults.

#include "i18n/catalogue.h"

#include <QString>
#include <initializer_list>

namespace dalvex {

class TK6Form1;

// Sets each listed field of `texts` to the catalogue's text in `language`, found by the field's
// Hungarian default (the value of a default-built T); a field without an entry keeps its text.
template <class T>
void FillTexts(T& texts, std::initializer_list<QString T::*> fields, const i18n::Catalogue& catalogue,
               int language, i18n::Pass pass) {
    static const T hungarian{};
    for (QString T::*field : fields)
        if (auto text = catalogue.Message(hungarian.*field, language, pass)) texts.*field = *text;
}

// Every texts struct of the windows and their operations, filled for `language`.
void FillCatalogueTexts(TK6Form1& window, const i18n::Catalogue& catalogue, int language, i18n::Pass pass);

} // namespace dalvex
