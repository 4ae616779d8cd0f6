#pragma once
// Where each control of the control tables lives in the configuration image, read off the memory
// map's descriptor tables (k6config/memory_map.h): the index of the design's names shows it, and
// image_places_test holds it against what the image codec really writes.

#include <QString>
#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace dalvex::controls_doc {

enum class PlaceRole {
    Value,  // the control's value is written here (`mask`: the bits it takes)
    Switch, // the control decides whether the byte holds another control's value or its "off" byte
    Zero,   // the field exists, but this record's encoding always writes 0 there
};

struct ImagePlace {
    std::uint32_t begin = 0;
    std::uint32_t size = 1;   // bytes
    std::uint8_t mask = 0xFF; // one-byte places: the bits concerned
    PlaceRole role = PlaceRole::Value;
    // Empty when the encoding reads this control itself; else the value it reads instead, which
    // carries this control's value there (an output's seconds, the K6 window's copy of a
    // door-phone value).
    QString through;
    QString note; // a few words on the layout (records of a table, a legacy string's frame)

    std::uint32_t end() const { return begin + size; }
};

struct ControlPlaces {
    QString field; // the map's own name for the record or field, when it has one ("input 1")
    std::vector<ImagePlace> places;
};

// Keyed by the control table's window (ControlTable::window(): "TK6Form1", "TDPhone1") and the
// control's name. Controls the image does not hold have no entry.
using PlaceIndex = std::map<std::pair<QString, QString>, ControlPlaces>;
const PlaceIndex& ImagePlaces();

// "78 (0x4E) bits 0-6", "0x200-0x21F", "0x340000-0x347FFF, 256 records of 64 bytes", ...
QString DescribePlace(const ImagePlace& place);

} // namespace dalvex::controls_doc
