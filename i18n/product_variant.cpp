#include "product_variant.h"

namespace dalvex {

BrandFields MakeBrandFields(int variantCode) {
    BrandFields b;
    if (variantCode == 1) {
        // The maker's support block. It names no person, address or telephone number: who
        // supports a module is its distributor or installer, whose own text goes into the start
        // directory's "contact.txt".
        b.ContactText = QStringLiteral("Dalvex – K6 GSM átjelzők konfiguráló programja\n"
                                       "\n"
                                       "Műszaki támogatás\n"
                                       "Kérjük, forduljon a modult szállító forgalmazóhoz vagy telepítőhöz.\n"
                                       "\n"
                                       "Kérdés előtt készítse elő:\n"
                                       "- a modul típusát és szoftver verzióját (állapotsor, \"Sw:\"),\n"
                                       "- a programverziót (állapotsor jobb oldala),\n"
                                       "- a beállításokat fájlba mentve (Fájlműveletek / Mentés fájlba).");
    }
    return b;
}

QString EnglishContactText() {
    return QStringLiteral("Dalvex – configuration tool for K6 GSM communicators\n"
                          "\n"
                          "Technical support\n"
                          "Please contact the distributor or installer who supplied the module.\n"
                          "\n"
                          "Before asking, have at hand:\n"
                          "- the module type and its software version (status bar, \"Sw:\"),\n"
                          "- the program version (right of the status bar),\n"
                          "- the configuration saved to a file.");
}

QString MakeRegKey(const BrandFields& brand) {
    return QStringLiteral("\\software\\GSM\\") + brand.ToolName;
}

} // namespace dalvex
