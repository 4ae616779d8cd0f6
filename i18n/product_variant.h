#pragma once
// The product variant this program is built for: brand names, product name, default language,
// contact text and the edition's settings key.

#include "i18n/program_version.h"

#include <QString>

namespace dalvex {

inline constexpr int VariantCode = 1;
inline constexpr int EditionCode = 50;
// The version label of the windows, from the program's version.
inline constexpr const char* BuildDate = kVersionMonth;

struct BrandFields {
    QString ProModelName = QStringLiteral("Telgor GSM");  // type 72
    QString MiniModelName = QStringLiteral("Simvo GSM");  // type 73
    QString LineModelName = QStringLiteral("Varnet GSM"); // type 74
    QString DoorModelName = QStringLiteral("Portun GSM"); // type 75
    QString ToolName = QStringLiteral("Dalvex");
    int DefaultLanguage = 1; // English
    QString ContactText;
};

// The brand fields of this build's variant.
BrandFields MakeBrandFields(int variantCode = VariantCode);

// The maker's contact block in English, shown by the contact window in every language but
// Hungarian when the start directory has no "contact.txt" (Hungarian shows ContactText).
QString EnglishContactText();

// The settings key of the edition: "\software\GSM\" + ToolName.
QString MakeRegKey(const BrandFields& brand);

// The short product-family word stored as the "company" setting when it is missing.
inline const QString& DefaultCompanyWord() {
    static const QString word = QStringLiteral("K6");
    return word;
}

} // namespace dalvex
