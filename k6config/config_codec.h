#pragma once
// The two converters between the page values and the configuration image, and the parts of the
// pages' rules that they run.

#include "config_image.h"
#include "page_values.h"

#include <QString>
#include <cstdint>

namespace dalvex::k6config {

struct ImageContext {
    int moduleType = 72; // 72, 73 or 74
    // The name encoding writes at 0x180 (cut to its 16 bytes), as BrandName gives it from the
    // "company" setting the caller has read; decoding does not use it.
    QString brandName = QStringLiteral("Telgor GSM");
};

// Writes every page value into the image. `k6` may change: with module type 72 or 73 the GPRS
// settings the module cannot do otherwise are forced (CheckBox15 on, CheckBox16 off, RadioGroup1
// item 0), and items of empty phone numbers are unchecked. Bytes that no field covers keep their
// contents.
void EncodeConfigImage(ConfigImage& image, PageValues& k6, const PageValues& doorPhone,
                       const ImageContext& context);

// Sets every page value from the image, then copies the mirrored values into the door-phone window's
// values. After each alarm source (and the life signal) the phone items of its page follow the
// decoded phone numbers and the page's show handler is requested (PageValues::showHandlerRequested).
void DecodeConfigImage(const ConfigImage& image, PageValues& k6, PageValues& doorPhone,
                       const ImageContext& context);

// The name stored at 0x180: the "company" setting without its leading "*" when it has one,
// otherwise the main model's name. The codec reads no settings: the callers that hold them pass
// this name in ImageContext::brandName.
QString BrandName(const QString& companySetting, const QString& proModelName);

// A phone number is set when its text does not begin with a blank.
bool IsPhoneSet(const QString& number);
// Bit n-1 set for every phone number n that is set.
std::uint8_t PhonesSetMask(const PageValues& k6);
// The show handler's own part: each phone list of `page` enables the items of the numbers set and
// disables the others (their check marks stay).
void RefreshPhoneItems(PageValues& k6, const QString& page);
// The output mode's change handler: the time spin box and its unit selector take input only in
// item 0 (MONO). `output` is 1 or 2.
void ApplyOutputMode(PageValues& k6, int output);

} // namespace dalvex::k6config
