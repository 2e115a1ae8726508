#include "platform/shared/mouse_records.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace tessiva {
namespace {

std::int32_t roundedDelta(double value) {
    // A device with absolute valuators can report large numbers; clamp rather than overflow.
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (std::isnan(value)) return 0;
    return static_cast<std::int32_t>(std::lround(std::clamp(value, kMin, kMax)));
}

// The mouse format's offset for an X button; -1 when the format has no such button.
std::int32_t buttonOffset(int xButton) {
    switch (xButton) {
    case 1: return dinput::kDimofsButton0;
    case 3: return dinput::kDimofsButton1;
    case 2: return dinput::kDimofsButton2;
    case 8: return dinput::kDimofsButton3;
    default: return -1;
    }
}

}  // namespace

void MouseRecords::setCapacity(std::size_t capacity) {
    m_capacity = capacity;
    if (m_records.size() > capacity) m_records.resize(capacity);
}

int MouseRecords::appendMotion(double dx, double dy, std::uint32_t time) {
    const std::int32_t x = roundedDelta(dx);
    const std::int32_t y = roundedDelta(dy);
    const std::uint32_t sequence = nextSequence();
    int made = 0;
    if (x != 0 || y == 0) {
        push(dinput::kDimofsX, x, time, sequence);
        ++made;
    }
    if (y != 0) {
        push(dinput::kDimofsY, y, time, sequence);
        ++made;
    }
    return made;
}

int MouseRecords::appendButton(int xButton, bool pressed, std::uint32_t time) {
    if (xButton == 4 || xButton == 5) {
        if (!pressed) return 0;
        push(dinput::kDimofsZ, xButton == 4 ? kWheelNotch : -kWheelNotch, time, nextSequence());
        return 1;
    }
    const std::int32_t offset = buttonOffset(xButton);
    if (offset < 0) return 0;
    push(offset, pressed ? kPressed : 0, time, nextSequence());
    return 1;
}

std::size_t MouseRecords::take(std::span<DeviceObjectData> out, bool peek) {
    const std::size_t count = std::min(out.size(), m_records.size());
    const auto end = m_records.begin() + static_cast<std::ptrdiff_t>(count);
    std::copy(m_records.begin(), end, out.begin());
    if (!peek) m_records.erase(m_records.begin(), end);
    return count;
}

void MouseRecords::push(std::int32_t offset, std::int32_t data, std::uint32_t time, std::uint32_t sequence) {
    if (m_records.size() >= m_capacity) return;
    DeviceObjectData record;
    record.lOfs = offset;
    record.lData = data;
    // Server time and the sequence both wrap; the fields carry their 32 bits as they are.
    record.lTimeStamp = static_cast<std::int32_t>(time);
    record.lSequence = static_cast<std::int32_t>(sequence);
    m_records.push_back(record);
}

}  // namespace tessiva
