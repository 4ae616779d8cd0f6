#pragma once
// A configuration's values as the windows hold them, and each value as its page shows it: the
// chosen item's caption in the chosen language, the phone numbers a list has ticked, a masked
// secret. The pages' outline (k6config/page_outline.h) names the pages and captions.

#include "k6config/config_codec.h"
#include "k6config/config_file.h"
#include "k6config/config_image.h"
#include "k6config/page_outline.h"
#include "k6config/page_values.h"

#include <QString>
#include <optional>

namespace dalvex::k6text {

// What showing a value depends on beside the value.
struct ShowContext {
    int language = 1;     // as the "Language" setting stores it (i18n::Language)
    int moduleType = 72;  // the type code the module answers (75: door phone)
    int version = 999;    // module software version in tenths; unknown: the newest
    bool secrets = false; // show the values of secret controls instead of a mask
};

// What a masked secret shows.
inline const QString kMasked = QStringLiteral("••••");

// The values of one configuration: the K6 window's, the door-phone window's and the K6 window's
// values that the image does not hold (the customer records among them).
class ConfigValues {
public:
    ConfigValues();
    ConfigValues(const ConfigValues&) = delete;
    ConfigValues& operator=(const ConfigValues&) = delete;

    k6config::PageValues k6;
    k6config::PageValues door;
    k6config::PageValues local;

    const k6config::PageValues& Of(k6config::OutlineWindow window) const;
    // The customer records (the first six of the local values).
    k6config::CustomerFields Customer() const;
    void SetCustomer(const k6config::CustomerFields& fields);
};

// The codec's context for a module type as it answers (a door phone is coded as the main model),
// with the brand name that the image holds at its brand field.
k6config::ImageContext ContextFor(int moduleType, const k6config::ConfigImage& image);
// The brand name an image holds.
QString StoredBrandName(const k6config::ConfigImage& image);

// Decodes the image and takes the customer records.
void Decode(const k6config::ConfigImage& image, const k6config::CustomerFields& customer, int moduleType,
            ConfigValues& values);

// The engine's model of a type code: the door phone (75) is served as the main model (72).
int EngineType(int moduleType);

// The text of phone item `item` (0..7) as the lists show it: the number where it is set.
QString PhoneItemText(const k6config::PageValues& k6, int item);

// The value of `field`'s control as its page shows it; grids give an empty text (see the sheet).
QString ShownValue(const k6config::OutlineField& field, const ConfigValues& values, const ShowContext& context);
// The same for a control of the K6 window that the outline has no field for.
QString ShownValueOf(const k6config::ControlDef& def, const k6config::PageValues& values,
                     const k6config::PageValues& k6, const k6config::OutlineField* field, const ShowContext& context);

// Whether the window shows the field (and its page) on this model and version.
bool FieldShown(const k6config::OutlineField& field, const ShowContext& context);
bool PageShown(const k6config::OutlinePage& page, const ShowContext& context);

// A caption without the colon that introduces its control.
QString BareCaption(QString caption);

} // namespace dalvex::k6text
