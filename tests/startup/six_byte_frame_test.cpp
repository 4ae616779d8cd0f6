// Six-byte frames: the check rule and the start window's receive framing.

#include "startup/six_byte_frame.h"

#include <gtest/gtest.h>
#include <vector>

using namespace dalvex;
using Bytes = std::vector<std::uint8_t>;
using R = SixByteReceiver::Result;

TEST(SixByteFrame, CheckBytesAndValidity) {
    struct Case {
        Bytes bytes;
        bool valid;
    };
    const Case cases[] = {
        {{0, 0, 255, 0, 1, 254}, true},    // read address 255
        {{0, 0, 255, 72, 184, 71}, false}, // S = 327: check B is 70, not 71
        {{0, 0, 255, 72, 185, 70}, true},  // data byte 72
        {{0, 0, 0, 0, 0, 255}, true},      // all zero: check A 0, check B 255
        {{0, 0, 0, 0, 255, 0}, false},        {{160, 254, 0, 0, 98, 157}, true}, // alternate probe
        {{171, 0, 254, 84, 3, 252}, true},                                       // version reply 8.4
        {{171, 0, 254, 84, 4, 252}, false},   // check B right, check A wrong
        {{255, 255, 255, 255, 4, 251}, true}, // S = 1020 wraps
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.bytes));
        EXPECT_EQ(SixByteFrame::isValid(c.bytes), c.valid);
        if (c.valid) {
            EXPECT_EQ(SixByteFrame::make(c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3]).bytes,
                      (std::array<std::uint8_t, 6>{c.bytes[0], c.bytes[1], c.bytes[2], c.bytes[3], c.bytes[4],
                                                   c.bytes[5]}));
        }
    }
    EXPECT_FALSE(SixByteFrame::isValid(Bytes{0, 0, 0, 0, 0})); // too short
    const auto f = SixByteFrame::forAddress(0x1234, 1, 0x56);
    EXPECT_EQ(f.addressHigh(), 0x12);
    EXPECT_EQ(f.addressLow(), 0x34);
    EXPECT_EQ(f.address(), 0x1234);
    EXPECT_EQ(f.command(), 1);
    EXPECT_EQ(f.data(), 0x56);
}

TEST(SixByteReceiver, FramingByChunks) {
    struct Case {
        const char* what;
        std::vector<Bytes> chunks;
        std::vector<R> results;
        int finalCount;
    };
    const Case cases[] = {
        {"two chunks of three", {{0, 0, 255}, {72, 185, 70}}, {R::Incomplete, R::Valid}, 6},
        {"byte by byte",
         {{0}, {0}, {255}, {72}, {185}, {70}},
         {R::Incomplete, R::Incomplete, R::Incomplete, R::Incomplete, R::Incomplete, R::Valid},
         6},
        {"seven bytes dropped whole", {{0, 0, 255, 72, 185, 70, 1}}, {R::Overflow}, 0},
        {"overflow drops the partial frame too",
         {{0, 0, 255, 72}, {185, 70, 9}},
         {R::Incomplete, R::Overflow},
         0},
        {"wrong check B", {{0, 0, 255, 72, 184, 71}}, {R::BadCheckB}, 0},
        {"wrong check A", {{0, 0, 255, 72, 186, 70}}, {R::BadCheckA}, 0},
        {"after a valid frame more bytes are dropped",
         {{0, 0, 255, 72, 185, 70}, {1}},
         {R::Valid, R::Overflow},
         0},
        {"after a drop a clean frame is taken",
         {{1, 2, 3, 4, 5, 6}, {0, 0, 255, 72, 185, 70}},
         {R::BadCheckB, R::Valid},
         6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SixByteReceiver rx;
        ASSERT_EQ(c.chunks.size(), c.results.size());
        for (std::size_t i = 0; i < c.chunks.size(); ++i)
            EXPECT_EQ(rx.receive(c.chunks[i]), c.results[i]) << i;
        EXPECT_EQ(rx.count(), c.finalCount);
    }
}

TEST(SixByteReceiver, WritingARequestDropsAPartialReply) {
    SixByteReceiver rx;
    EXPECT_EQ(rx.receive(Bytes{0, 0, 255}), R::Incomplete);
    rx.reset();
    EXPECT_EQ(rx.receive(Bytes{0, 0, 255}), R::Incomplete);
    EXPECT_EQ(rx.receive(Bytes{72, 185, 70}), R::Valid);
    EXPECT_EQ(rx.frame().data(), 72);
    rx.reset();
    EXPECT_EQ(rx.count(), 0);
}
