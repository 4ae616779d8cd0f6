#pragma once
// A window's values set away from their initial values, and a comparable copy of them: shared by
// the image converter tests and the benchmark.

#include "k6config/page_values.h"

#include <QString>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace dalvex::k6config {

std::string str(const QString& s);

// Everything a window's values hold, comparable.
struct ControlValue {
    int number = 0;
    QString text;
    std::vector<QString> cells;
    bool operator==(const ControlValue&) const = default;
};
void PrintTo(const ControlValue& v, std::ostream* os);

std::map<QString, ControlValue> snapshot(const PageValues& v);
std::vector<int> eventMasks(const PageValues& v);

// Text of exactly `length` characters, with the accented letters the module folds and those it keeps.
QString filler(const QString& seed, int length);
// A Contact ID code of `length` characters that reads back unchanged.
QString cidText(int seed, int length);

// Sets every control of the window away from its initial value: a field that does not round-trip
// then shows in a comparison, including fields added later.
void makeRich(PageValues& v);

} // namespace dalvex::k6config
