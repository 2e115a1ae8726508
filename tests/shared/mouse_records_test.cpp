#include "platform/shared/mouse_records.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace tessiva {
namespace {

using dinput::kDimofsButton0;
using dinput::kDimofsButton1;
using dinput::kDimofsButton2;
using dinput::kDimofsButton3;
using dinput::kDimofsX;
using dinput::kDimofsY;
using dinput::kDimofsZ;

std::vector<DeviceObjectData> takeAll(MouseRecords& records) {
    std::vector<DeviceObjectData> out(records.size());
    out.resize(records.take(out, false));
    return out;
}

TEST(MouseRecords, MotionMakesRoundedXAndYRecordsAndNeverNothing) {
    MouseRecords records;
    records.setCapacity(20);
    EXPECT_EQ(records.appendMotion(5.4, -2.6, 1000), 2);
    EXPECT_EQ(records.appendMotion(3.0, 0.0, 1001), 1);
    EXPECT_EQ(records.appendMotion(0.0, 4.0, 1002), 1);
    EXPECT_EQ(records.appendMotion(0.2, -0.4, 1003), 1);  // a move too small to show still counts
    EXPECT_EQ(records.appendMotion(1e12, std::nan(""), 0xFFFFFFF0u), 1);

    const auto got = takeAll(records);
    ASSERT_EQ(got.size(), 6u);
    const std::array<std::pair<std::int32_t, std::int32_t>, 6> expected = {{
        {kDimofsX, 5}, {kDimofsY, -3}, {kDimofsX, 3}, {kDimofsY, 4}, {kDimofsX, 0},
        {kDimofsX, std::numeric_limits<std::int32_t>::max()},
    }};
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].lOfs, expected[i].first) << i;
        EXPECT_EQ(got[i].lData, expected[i].second) << i;
    }
    EXPECT_EQ(got[0].lTimeStamp, 1000);
    EXPECT_EQ(got[1].lTimeStamp, 1000);
    EXPECT_EQ(got[5].lTimeStamp, -16);  // server time wraps; all 32 bits come through
    // One diagonal move is one event: its two records share a sequence number.
    EXPECT_EQ(got[0].lSequence, got[1].lSequence);
    for (std::size_t i = 2; i < got.size(); ++i) EXPECT_GT(got[i].lSequence, got[i - 1].lSequence) << i;
}

TEST(MouseRecords, ButtonsMapToTheMouseFormatsButtonsAndWheel) {
    struct Case {
        int xButton;
        bool pressed;
        std::int32_t offset;  // -1: no record
        std::int32_t data;
    };
    const Case cases[] = {
        {1, true, kDimofsButton0, 0x80}, {1, false, kDimofsButton0, 0},
        {3, true, kDimofsButton1, 0x80}, {3, false, kDimofsButton1, 0},
        {2, true, kDimofsButton2, 0x80}, {2, false, kDimofsButton2, 0},
        {8, true, kDimofsButton3, 0x80}, {8, false, kDimofsButton3, 0},
        {4, true, kDimofsZ, 120},        {4, false, -1, 0},
        {5, true, kDimofsZ, -120},       {5, false, -1, 0},
        {6, true, -1, 0},                {7, true, -1, 0},
        {9, true, -1, 0},                {0, true, -1, 0},
    };
    for (const Case& c : cases) {
        MouseRecords records;
        records.setCapacity(4);
        const int made = records.appendButton(c.xButton, c.pressed, 7);
        const auto got = takeAll(records);
        if (c.offset < 0) {
            EXPECT_EQ(made, 0) << "button " << c.xButton;
            EXPECT_TRUE(got.empty()) << "button " << c.xButton;
            continue;
        }
        EXPECT_EQ(made, 1) << "button " << c.xButton;
        ASSERT_EQ(got.size(), 1u) << "button " << c.xButton;
        EXPECT_EQ(got[0].lOfs, c.offset) << "button " << c.xButton;
        EXPECT_EQ(got[0].lData, c.data) << "button " << c.xButton << (c.pressed ? " pressed" : " released");
        EXPECT_EQ(got[0].lTimeStamp, 7);
    }
}

TEST(MouseRecords, AFullBufferDropsNewRecordsAndTakeHandsOutTheOldestFirst) {
    MouseRecords records;
    // Until a size is set, nothing is kept, though the event still made its record.
    EXPECT_EQ(records.appendButton(1, true, 1), 1);
    EXPECT_EQ(records.size(), 0u);

    records.setCapacity(3);
    for (int i = 1; i <= 5; ++i) records.appendMotion(i, 0, static_cast<std::uint32_t>(i));
    EXPECT_EQ(records.size(), 3u);

    std::array<DeviceObjectData, 2> two;
    ASSERT_EQ(records.take(two, true), 2u);  // a peek leaves them
    EXPECT_EQ(two[0].lData, 1);
    ASSERT_EQ(records.take(two, false), 2u);
    EXPECT_EQ(two[0].lData, 1);
    EXPECT_EQ(two[1].lData, 2);

    records.appendMotion(6, 0, 6);  // there is room again
    const auto rest = takeAll(records);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest[0].lData, 3);
    EXPECT_EQ(rest[1].lData, 6);
    EXPECT_EQ(records.take(two, false), 0u);
}

}  // namespace
}  // namespace tessiva
