#pragma once
// A recording fake of the buffered input framework: one object is the root, the service and
// the mouse device. Batches queued in `batches` come back from GetDeviceData one per call.
#include <deque>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fakes/call_log.h"
#include "platform/input.h"

namespace tessiva::fakes {

class FakeMouse final : public DirectX8,
                        public DirectInput8,
                        public DirectInputDevice8,
                        public std::enable_shared_from_this<FakeMouse> {
public:
    FakeMouse(CallLog& log, std::set<std::string>& failing) : m_log(log), m_failing(failing) {}

    std::deque<std::vector<DeviceObjectData>> batches;
    std::int32_t eventHandle = 0x5150;
    DirectXEvent8* callback = nullptr;
    int reads = 0;

    Status directInputCreate(std::shared_ptr<DirectInput8>& out) override {
        out = std::shared_ptr<DirectInput8>(shared_from_this(), this);
        return call("DirectInputCreate");
    }
    Status createEvent(DirectXEvent8& cb, std::int32_t& handle) override {
        callback = &cb;
        handle = eventHandle;
        return call("CreateEvent");
    }
    Status createDevice(const std::string& guid, std::shared_ptr<DirectInputDevice8>& out) override {
        out = std::shared_ptr<DirectInputDevice8>(shared_from_this(), this);
        return call("CreateDevice " + guid);
    }
    Status setCommonDataFormat(std::int32_t f) override { return call("SetCommonDataFormat " + std::to_string(f)); }
    Status setCooperativeLevel(NativeHandle w, std::int32_t f) override {
        return call("SetCooperativeLevel " + std::to_string(w) + " " + std::to_string(f));
    }
    Status setProperty(const std::string& guid, const DiPropLong& p) override {
        return call("SetProperty " + guid + " " + std::to_string(p.lHow) + " " + std::to_string(p.lObj) + " " +
                    std::to_string(p.lData));
    }
    Status setEventNotification(std::int32_t e) override { return call("SetEventNotification " + std::to_string(e)); }
    Status acquire() override { return call("Acquire"); }
    Status getDeviceData(std::span<DeviceObjectData> records, std::int32_t, std::int32_t& count) override {
        ++reads;
        if (m_failing.count("GetDeviceData") != 0) return Status::failure("fake: read failed");
        count = 0;
        if (batches.empty()) return Status::success();
        for (const auto& r : batches.front()) {
            if (static_cast<std::size_t>(count) == records.size()) break;
            records[static_cast<std::size_t>(count++)] = r;
        }
        batches.pop_front();
        return Status::success();
    }

private:
    Status call(const std::string& line) {
        m_log.push_back(line);
        const std::string name = line.substr(0, line.find(' '));
        if (m_failing.count(name) != 0) return Status::failure("fake: " + name + " failed");
        return Status::success();
    }
    CallLog& m_log;
    std::set<std::string>& m_failing;
};

class FakeInput final : public Input {
public:
    explicit FakeInput(CallLog& log) : m_log(log) {}
    std::set<std::string> failing;
    std::shared_ptr<FakeMouse> mouse;

    Status createDirectX8(std::shared_ptr<DirectX8>& out) override {
        m_log.push_back("CreateDirectX8");
        if (failing.count("CreateDirectX8") != 0) return Status::failure("fake: no DirectX");
        mouse = std::make_shared<FakeMouse>(m_log, failing);
        out = mouse;
        return Status::success();
    }

private:
    CallLog& m_log;
};

}  // namespace tessiva::fakes
