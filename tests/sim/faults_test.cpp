#include "sim/faults.h"

#include <gtest/gtest.h>
#include <set>

namespace dalvex::sim {
namespace {

TEST(Faults, EveryEntryIsFoundByItsOwnName) {
    std::set<std::string_view> names;
    std::set<Fault> values;
    for (const FaultInfo& f : kFaults) {
        SCOPED_TRACE(std::string(f.name));
        ASSERT_EQ(findFault(f.name), &f);
        EXPECT_EQ(&faultInfo(f.fault), &f);
        EXPECT_FALSE(f.description.empty());
        names.insert(f.name);
        values.insert(f.fault);
    }
    EXPECT_EQ(names.size(), kFaults.size());
    EXPECT_EQ(values.size(), kFaults.size());
}

TEST(Faults, ParsesNameWithOptionalCount) {
    struct Case {
        const char* text;
        bool ok;
        Fault fault;
        int count;
    };
    const Case cases[] = {
        {"none", true, Fault::None, 0},
        {"silent", true, Fault::Silent, 0},
        {"stop-after:3", true, Fault::StopAfter, 3},
        {"stop-after", true, Fault::StopAfter, 0},
        {"hang-up:12", true, Fault::HangUp, 12},
        {"wrong-sum", true, Fault::WrongSum, 0},
        {"no-ack:4", true, Fault::NoAck, 4},
        {"wrong-ack", true, Fault::WrongAck, 0},
        {"split:2", false, Fault::None, 0}, // takes no count
        {"bogus", false, Fault::None, 0},
        {"Silent", false, Fault::None, 0},
        {"", false, Fault::None, 0},
        {"stop-after:", false, Fault::None, 0},
        {"stop-after:-1", false, Fault::None, 0},
        {"stop-after:3x", false, Fault::None, 0},
        {"hang-up:x", false, Fault::None, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string error;
        const auto parsed = parseFault(c.text, &error);
        ASSERT_EQ(parsed.has_value(), c.ok);
        if (c.ok) {
            EXPECT_EQ(parsed->fault, c.fault);
            EXPECT_EQ(parsed->count, c.count);
        } else {
            EXPECT_FALSE(error.empty());
        }
    }
}

} // namespace
} // namespace dalvex::sim
