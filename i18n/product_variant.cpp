#include "product_variant.h"

namespace dalvex {

BrandFields MakeBrandFields(int variantCode) {
    BrandFields b;
    if (variantCode == 1) {
        b.ContactText = QStringLiteral(
            "Dalvex Kft.\n"
            "Ipari park 7, H-9027 Győr\n"
            "Telefon: +36 96 555 0100\n"
            "E-mail: support@dalvex.example\n"
            "Műszaki támogatás: hétfőtől péntekig 8-16 óráig");
    }
    return b;
}

QString MakeRegKey(const BrandFields& brand) { return QStringLiteral("\\software\\GSM\\") + brand.ToolName; }

}  // namespace dalvex
