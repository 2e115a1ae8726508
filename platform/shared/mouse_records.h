#pragma once
// The mouse's record buffer and the translation of one raw pointer event into the records of
// the mouse data format. Knows nothing of X: the watcher thread hands it plain numbers.
//
// Button numbers are X's physical ones (1 left, 2 middle, 3 right, 4/5 wheel up/down, 6/7
// horizontal wheel, 8/9 side buttons); a raw event reports them before any left-handed
// remapping, as the mouse format wants.
//
// Not thread-safe: the device guards it with its own lock.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "platform/input.h"

namespace tessiva {

class MouseRecords {
public:
    // The wheel turns one notch per scroll button press.
    static constexpr std::int32_t kWheelNotch = 120;
    static constexpr std::int32_t kPressed = 0x80;

    // How many records the buffer keeps. 0, the default, keeps none. Shrinking drops the newest.
    void setCapacity(std::size_t capacity);
    std::size_t capacity() const { return m_capacity; }
    std::size_t size() const { return m_records.size(); }

    // Each answers how many records the event made, whether or not there was room for them:
    // 0 means the event is no part of the mouse format.
    //
    // A motion makes an X record when dx rounds to non-zero and a Y record when dy does; when
    // both round to 0 it still makes an X record of 0, so that no movement goes unseen. The
    // records of one event share their sequence number, as a diagonal move's do.
    int appendMotion(double dx, double dy, std::uint32_t time);
    // Buttons 1, 3, 2 and 8 are the format's buttons 0 to 3 (data 0x80 pressed, 0 released).
    // Buttons 4 and 5 turn the wheel by +120 and -120 when pressed; their release is nothing.
    // The format has no horizontal wheel (6 and 7) and no fifth button, so those are nothing.
    int appendButton(int xButton, bool pressed, std::uint32_t time);

    // Copies up to out.size() records, oldest first, into out and answers how many. Unless
    // `peek`, they leave the buffer.
    // When the buffer is full, the records of a new event are dropped and what is already
    // waiting stays, as the buffered mouse has always done.
    std::size_t take(std::span<DeviceObjectData> out, bool peek);

private:
    void push(std::int32_t offset, std::int32_t data, std::uint32_t time, std::uint32_t sequence);
    std::uint32_t nextSequence() { return ++m_sequence; }

    std::deque<DeviceObjectData> m_records;
    std::size_t m_capacity = 0;
    std::uint32_t m_sequence = 0;
};

}  // namespace tessiva
