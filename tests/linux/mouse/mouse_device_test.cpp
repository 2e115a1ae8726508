// The device's rules and its signal to the program, fed by hand in place of a desktop's feed.
#include "platform/linux/mouse/mouse_device.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <stdexcept>
#include <vector>

namespace tessiva {
namespace {

class MouseDeviceTest : public ::testing::Test, public DirectXEvent8 {
protected:
    void DXCallback(std::int32_t eventid) override {
        ids.push_back(eventid);
        if (onCall) onCall();
    }
    std::vector<DeviceObjectData> read() {
        std::array<DeviceObjectData, 10> records;
        std::int32_t count = -1;
        EXPECT_TRUE(device.getDeviceData(records, 0, count).ok());
        return {records.begin(), records.begin() + count};
    }

    std::shared_ptr<EventTable> events = std::make_shared<EventTable>();
    MouseDevice device{events};
    std::vector<std::int32_t> ids;
    std::function<void()> onCall;
};

TEST_F(MouseDeviceTest, SetUpAcceptsWhatTheProgramAsksAndRefusesTheRest) {
    EXPECT_EQ(device.setCommonDataFormat(1).code(), Status::kInvalidArgument);
    EXPECT_FALSE(device.acquire().ok());  // not without a format
    EXPECT_TRUE(device.setCommonDataFormat(dinput::kDiFormatMouse).ok());

    EXPECT_TRUE(device.setCooperativeLevel(1, 2 | 8).ok());
    EXPECT_TRUE(device.setCooperativeLevel(1, 2 | 4).ok());
    EXPECT_FALSE(device.setCooperativeLevel(1, 1 | 8).ok());  // exclusive
    EXPECT_EQ(device.setCooperativeLevel(1, 2).code(), Status::kInvalidArgument);
    EXPECT_EQ(device.setCooperativeLevel(1, 1 | 2 | 8).code(), Status::kInvalidArgument);

    EXPECT_TRUE(device.setProperty("diprop_buffersize", {0, 0, 10}).ok());
    EXPECT_EQ(device.setProperty("DIPROP_BUFFERSIZE", {1, 0, 10}).code(), Status::kInvalidArgument);
    EXPECT_FALSE(device.setProperty("DIPROP_AXISMODE", {0, 0, 1}).ok());

    EXPECT_EQ(device.setEventNotification(987654).code(), Status::kInvalidArgument);
    EXPECT_EQ(device.setEventNotification(EventTable().add(*this)).code(), Status::kInvalidArgument);
    EXPECT_TRUE(device.setEventNotification(events->add(*this)).ok());

    std::array<DeviceObjectData, 1> one;
    std::int32_t count = -1;
    EXPECT_EQ(device.getDeviceData(one, 0, count).code(), MouseDevice::kNotAcquired);
    ASSERT_TRUE(device.acquire().ok());
    EXPECT_EQ(device.setProperty("DIPROP_BUFFERSIZE", {0, 0, 20}).code(), MouseDevice::kAcquired);
    EXPECT_EQ(device.getDeviceData(one, 2, count).code(), Status::kInvalidArgument);
}

TEST_F(MouseDeviceTest, AnAcquiredDeviceSignalsOncePerBatchAndTheCallbackMayReadIt) {
    ASSERT_TRUE(device.setCommonDataFormat(dinput::kDiFormatMouse).ok());
    ASSERT_TRUE(device.setProperty("DIPROP_BUFFERSIZE", {0, 0, 10}).ok());
    const std::int32_t handle = events->add(*this);
    ASSERT_TRUE(device.setEventNotification(handle).ok());
    std::vector<DeviceObjectData> seen;
    onCall = [&] {
        const auto got = read();  // would deadlock if the buffer's lock were held
        seen.insert(seen.end(), got.begin(), got.end());
    };

    device.rawMotion(4, 4, 1);  // before acquire: neither kept nor signalled
    device.rawBatchEnd();
    EXPECT_TRUE(ids.empty());

    ASSERT_TRUE(device.acquire().ok());
    device.rawMotion(2, 3, 10);
    device.rawButton(1, true, 11);
    device.rawBatchEnd();
    EXPECT_EQ(ids, std::vector<std::int32_t>{handle});
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].lData, 2);

    device.rawBatchEnd();           // nothing new
    device.rawButton(6, true, 12);  // no part of the mouse format
    device.rawBatchEnd();
    EXPECT_EQ(ids.size(), 1u);

    // A callback's exception stays on the watcher's side.
    onCall = [] { throw std::runtime_error("from the program"); };
    device.rawButton(1, false, 13);
    EXPECT_NO_THROW(device.rawBatchEnd());
    EXPECT_EQ(ids.size(), 2u);
}

TEST_F(MouseDeviceTest, WithoutABufferTheDeviceStillSignals) {
    ASSERT_TRUE(device.setCommonDataFormat(dinput::kDiFormatMouse).ok());
    ASSERT_TRUE(device.setEventNotification(events->add(*this)).ok());
    ASSERT_TRUE(device.acquire().ok());
    device.rawMotion(1, 0, 1);
    device.rawBatchEnd();
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_TRUE(read().empty());
}

}  // namespace
}  // namespace tessiva
