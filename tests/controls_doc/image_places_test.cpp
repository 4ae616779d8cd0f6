// The places the index of the design's names gives each control, held against the image codec:
// every control is changed alone, and the bytes the encoding then changes must lie in the places
// named for it, and a control named as written somewhere must change something there.

#include "image_places.h"
#include "k6config/config_codec.h"
#include "k6config/config_image.h"
#include "k6config/controls.h"
#include "k6config/memory_map.h"

#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <string>

namespace dalvex::controls_doc {
namespace {

using namespace k6config;

std::string str(const QString& s) {
    return s.toStdString();
}

// Values whose encoding exercises every field: phone numbers set (so no phone item is cleared on
// encoding), every check box ticked (so gated values are written), every choice on item 1, the
// phone lists empty. The legacy server texts stay empty: long ones cover the speed and lift texts.
void setBaseline(PageValues& v) {
    const QString apn = QString::fromLatin1(LegacyApnString().control);
    const QString udp = QString::fromLatin1(LegacyUdpString().control);
    for (const ControlDef& d : v.table().controls()) {
        const std::string name = str(d.name);
        switch (d.kind) {
        case ControlKind::Check:
            v.setChecked(name, true);
            break;
        case ControlKind::Choice:
            v.setIndex(name, d.itemCount() > 1 ? 1 : 0);
            break;
        case ControlKind::CheckList:
            v.setMask(name, 0);
            break;
        case ControlKind::Text:
            if (d.name != apn && d.name != udp) v.setText(name, QString(d.maxLength, QLatin1Char('1')));
            break;
        default:
            break;
        }
    }
}

using Change = std::function<void(PageValues&)>;

// The changes tried for one control: away from the baseline to each other value worth trying.
std::vector<Change> changesOf(const ControlDef& d) {
    const std::string name = str(d.name);
    std::vector<Change> out;
    const auto setText = [&](const QString& t) {
        out.push_back([name, t](PageValues& v) { v.setText(name, t); });
    };
    switch (d.kind) {
    case ControlKind::Check:
        out.push_back([name](PageValues& v) { v.setChecked(name, false); });
        break;
    case ControlKind::Choice:
        for (int i = -1; i < d.itemCount(); ++i)
            out.push_back([name, i](PageValues& v) { v.setIndex(name, i); });
        break;
    case ControlKind::CheckList:
        for (const std::uint8_t mask : {0x01, 0xFF})
            out.push_back([name, mask](PageValues& v) { v.setMask(name, mask); });
        break;
    case ControlKind::Spin:
    case ControlKind::Value:
        for (const int n : {d.minimum, (d.minimum + d.maximum) / 2, d.maximum})
            out.push_back([name, n](PageValues& v) { v.setNumber(name, n); });
        break;
    case ControlKind::Text:
        setText(QString(d.maxLength, QLatin1Char('2')));
        setText(QStringLiteral("2"));
        break;
    case ControlKind::EditCombo:
        for (const QString& item : d.items)
            setText(item);
        setText(QString(d.maxLength, QLatin1Char('2')));
        break;
    case ControlKind::Grid:
        out.push_back([name, d](PageValues& v) {
            for (const int row : {1, d.rows - 1}) {
                v.setCell(name, row, 0, QStringLiteral("1234"));
                v.setCell(name, row, 1, QStringLiteral("Name"));
            }
        });
        break;
    }
    return out;
}

ImageContext context() {
    ImageContext c;
    c.moduleType = 74; // 72 and 73 force some GPRS settings
    return c;
}

// Address -> the bits that differ.
using Diff = std::map<std::uint32_t, std::uint8_t>;

void addDiff(const ConfigImage& a, const ConfigImage& b, Diff& diff) {
    for (const Region& r : EditorRegions())
        for (std::uint32_t at = r.begin; at < r.end; ++at)
            if (const std::uint8_t x = a.at(at) ^ b.at(at)) diff[at] |= x;
}

// Image bytes outside the editor's regions: the codec never writes there.
void expectOnlyEditorRegions(const ConfigImage& image, const char* what) {
    for (std::uint32_t at = 0; at < ConfigImage::size(); ++at) {
        bool inside = false;
        for (const Region& r : EditorRegions())
            inside = inside || (at >= r.begin && at < r.end);
        if (!inside) {
            ASSERT_EQ(image.at(at), 0) << what << " wrote 0x" << std::hex << at;
        }
    }
}

std::string describe(const ControlPlaces* places) {
    if (!places || places->places.empty()) return "(none)";
    std::ostringstream os;
    for (const ImagePlace& p : places->places)
        os << str(DescribePlace(p)) << "; ";
    return os.str();
}

bool covered(const ControlPlaces* places, std::uint32_t at, std::uint8_t bits) {
    if (!places) return false;
    for (const ImagePlace& p : places->places)
        if (at >= p.begin && at < p.end() && (p.size > 1 || (bits & ~p.mask) == 0)) return true;
    return false;
}

// One window's controls, each changed alone in `changed` (the K6 window's values or the door-phone
// window's), against the baseline encoding.
void checkTable(const ControlTable& table, bool doorPhone) {
    PageValues baseK6(K6Controls());
    PageValues baseDoor(DoorPhoneControls());
    setBaseline(baseK6);
    setBaseline(baseDoor);
    ASSERT_EQ(PhonesSetMask(baseK6), 0xFF);
    ConfigImage base;
    EncodeConfigImage(base, baseK6, baseDoor, context());
    expectOnlyEditorRegions(base, "the baseline encoding");

    for (const ControlDef& d : table.controls()) {
        SCOPED_TRACE(str(table.window() + QLatin1Char('.') + d.name));
        const auto it = ImagePlaces().find({table.window(), d.name});
        const ControlPlaces* places = it == ImagePlaces().end() ? nullptr : &it->second;
        Diff diff;
        for (const Change& change : changesOf(d)) {
            PageValues k6(K6Controls());
            PageValues door(DoorPhoneControls());
            setBaseline(k6);
            setBaseline(door);
            change(doorPhone ? door : k6);
            ConfigImage image;
            EncodeConfigImage(image, k6, door, context());
            addDiff(base, image, diff);
        }
        for (const auto& [at, bits] : diff)
            EXPECT_TRUE(covered(places, at, bits))
                << "changing it changes byte 0x" << std::hex << at << " (bits 0x" << int(bits)
                << "), outside the places the index gives: " << describe(places);
        bool written = false;
        if (places)
            for (const ImagePlace& p : places->places)
                written = written || (p.through.isEmpty() && p.role != PlaceRole::Zero);
        if (written) {
            EXPECT_FALSE(diff.empty())
                << "the index places it at " << describe(places) << "but no change of it changes the image";
        }
    }
}

TEST(ImagePlaces, EveryK6ControlChangesExactlyTheBytesTheIndexNames) {
    checkTable(K6Controls(), false);
}

TEST(ImagePlaces, EveryDoorPhoneControlChangesExactlyTheBytesTheIndexNames) {
    checkTable(DoorPhoneControls(), true);
}

// The K6 window's controls that only configuration files, settings and the SIM phonebook keep have
// no place in the image; a place given to one would send a reader looking for it there.
TEST(ImagePlaces, ControlsOutsideTheImageHaveNoPlace) {
    for (const ControlDef& d : K6LocalControls().controls()) {
        EXPECT_EQ(K6Controls().indexOf(str(d.name)), -1) << str(d.name);
        EXPECT_EQ(ImagePlaces().count({K6LocalControls().window(), d.name}), 0u) << str(d.name);
    }
}

// Every place is one of a control the tables hold, and lies in the regions the editor writes.
TEST(ImagePlaces, EveryPlaceIsOfAControlAndInsideTheEditorRegions) {
    for (const auto& [key, places] : ImagePlaces()) {
        const auto& [window, name] = key;
        const ControlTable& table =
            window == DoorPhoneControls().window() ? DoorPhoneControls() : K6Controls();
        EXPECT_GE(table.indexOf(str(name)), 0) << str(window) << "." << str(name);
        for (const ImagePlace& p : places.places) {
            bool inside = false;
            for (const Region& r : EditorRegions())
                inside = inside || (p.begin >= r.begin && p.end() <= r.end);
            EXPECT_TRUE(inside) << str(name) << " at " << str(DescribePlace(p));
        }
    }
}

} // namespace
} // namespace dalvex::controls_doc
