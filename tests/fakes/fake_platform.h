#pragma once
// Recording fakes of the forms layer and the desktop calls, for unit tests of the core.
// Every call that changes something is written to one shared log as a line of text, so a
// test can check what happened and in which order across both fakes.
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fakes/call_log.h"
#include "fakes/fake_input.h"
#include "fakes/fake_media.h"
#include "platform/desktop.h"
#include "platform/forms.h"
#include "platform/platform.h"
#include "platform/runtime_error.h"
#include "platform/shared/form_rules.h"
#include "platform/shared/profile_characters.h"

namespace tessiva::fakes {

inline constexpr NativeHandle kFakeWindowHandle = 0x4200001;

// Thrown by endProgram() so that a test can see the program end without ending itself.
struct ProgramEnded {};
// Thrown by reportAndExit(), with the error the report showed.
struct ProgramReported {
    RuntimeError error;
};

class FakeFormWindow final : public FormWindow {
public:
    FakeFormWindow(CallLog& log, const FormDefinition& definition) : m_log(log), m_definition(definition) {
        for (const auto& control : definition.controls) {
            visible.push_back(control.visible);
            values.push_back(control.value);
        }
    }

    NativeHandle handle = kFakeWindowHandle;
    double clientWidth = 5145, clientHeight = 3150;
    PictureId currentPicture = PictureId::None;
    std::vector<bool> visible;
    std::vector<std::int16_t> values;
    std::function<void()> onShow;  // lets a test look at the program's state as the window shows

    Status show() override {
        if (onShow) onShow();
        return record("Show");
    }
    NativeHandle hWnd() override { return handle; }
    Status setTop(double v) override { return record("Top " + num(v)); }
    Status setLeft(double v) override { return record("Left " + num(v)); }
    Status setWidth(double v) override { return record("Width " + num(v)); }
    Status setHeight(double v) override { return record("Height " + num(v)); }
    double scaleWidth() override { return clientWidth; }
    double scaleHeight() override { return clientHeight; }
    Status setWindowState(std::int16_t s) override { return record("WindowState " + std::to_string(s)); }
    Status setBorderStyle(std::int16_t s) override { return record("BorderStyle " + std::to_string(s)); }
    Status setCaption(const std::string& c) override { return record("Caption " + c); }
    PictureId picture(ControlIndex c) override { return m_definition.controls.at(static_cast<std::size_t>(c)).picture; }
    Status setPicture(PictureId p) override {
        currentPicture = p;
        return record("Picture " + std::to_string(static_cast<int>(p)));
    }
    Status setVisible(ControlIndex c, bool v) override {
        visible.at(static_cast<std::size_t>(c)) = v;
        return record("Visible " + m_definition.controls.at(static_cast<std::size_t>(c)).name);
    }
    Status setValue(ControlIndex c, std::int16_t v) override {
        if (const Status allowed = checkBoxValueAllowed(v); !allowed.ok()) return allowed;
        values.at(static_cast<std::size_t>(c)) = v;
        return record("Value " + std::to_string(v));
    }
    std::int16_t value(ControlIndex c) override { return values.at(static_cast<std::size_t>(c)); }
    Status coverOtherMonitors() override { return record("CoverOtherMonitors"); }

private:
    static std::string num(double v) { return std::to_string(static_cast<long long>(v)); }
    Status record(std::string line) {
        m_log.push_back(std::move(line));
        return Status::success();
    }
    CallLog& m_log;
    const FormDefinition& m_definition;
};

class FakeForms final : public Forms {
public:
    explicit FakeForms(CallLog& log) : m_log(log) {}

    std::string commandText;
    double screenW = 19200, screenH = 10800;  // 1280 x 720 pixels at 96 DPI
    std::string directory = "/opt/tessiva";
    std::unique_ptr<FakeFormWindow> window;
    std::function<void(FakeFormWindow&)> onCreate;  // runs before the Load handler

    std::string commandLine() override { return commandText; }
    void load(const FormDefinition& definition, FormEvents& events) override {
        m_log.push_back("Load");
        window = std::make_unique<FakeFormWindow>(m_log, definition);
        if (onCreate) onCreate(*window);
        m_events = &events;
        events.attach(*window);
        events.Form_Load();
    }
    // The window layer's unload, as a close command or a vanished host would cause it.
    void unload() {
        m_log.push_back("Unload");
        std::int16_t cancel = 0;
        if (m_events != nullptr) m_events->Form_Unload(cancel);
    }
    std::vector<std::string> messages;
    void messageBox(const std::string& text) override {
        m_log.push_back("MessageBox " + text);
        messages.push_back(text);
    }
    double screenWidth() override { return screenW; }
    double screenHeight() override { return screenH; }
    std::string appPath() override { return directory; }
    // The saver never returns from Load by itself: the fake ends the program at the yield
    // numbered `endAtYield`, after running `onYield` (a window event arriving in the yield).
    int endAtYield = 1;
    int yields = 0;
    std::function<void()> onYield;
    std::vector<std::chrono::milliseconds> waits;  // what each yield was allowed
    void yield(std::chrono::milliseconds longestWait) override {
        m_log.push_back("Yield");
        waits.push_back(longestWait);
        ++yields;
        if (onYield) onYield();
        if (yields == endAtYield) endProgram();
    }
    [[noreturn]] void endProgram() override {
        m_log.push_back("End");
        if (onEnd) onEnd();
        throw ProgramEnded{};
    }
    std::function<void()> onEnd;  // runs as the program ends, before the fake unwinds
    // After Main: `onIdle` stands for the window events that arrive until the window goes.
    std::function<void()> onIdle;
    void runUntilUnloaded() override {
        m_log.push_back("RunUntilUnloaded");
        if (onIdle) onIdle();
    }
    [[noreturn]] void reportAndExit(const RuntimeError& error) override {
        // The event boundary catches everything; the fake's own end passes through it.
        if (const std::exception_ptr current = std::current_exception()) {
            try {
                std::rethrow_exception(current);
            } catch (const ProgramEnded&) {
                throw;
            } catch (...) {
            }
        }
        m_log.push_back("Report " + std::to_string(error.number()));
        throw ProgramReported{error};
    }

private:
    CallLog& m_log;
    FormEvents* m_events = nullptr;
};

class FakeDesktop final : public Desktop {
public:
    explicit FakeDesktop(CallLog& log) : m_log(log) {}

    std::map<NativeHandle, ClientRect> clientRects;  // windows that exist, by handle
    std::int32_t style = 0x06000000;
    std::int32_t cursorCount = 0;

    std::int32_t getClientRect(NativeHandle w, ClientRect& rect) override {
        m_log.push_back("GetClientRect " + std::to_string(w));
        auto found = clientRects.find(w);
        if (found == clientRects.end()) return 0;
        rect = found->second;
        return 1;
    }
    std::int32_t getWindowLong(NativeHandle w, std::int32_t index) override {
        m_log.push_back("GetWindowLong " + std::to_string(w) + " " + std::to_string(index));
        return index == win::kGwlStyle ? style : 0;
    }
    std::int32_t setWindowLong(NativeHandle w, std::int32_t index, std::int32_t value) override {
        m_log.push_back("SetWindowLong " + std::to_string(w) + " " + std::to_string(index) + " " + hex(value));
        if (index == win::kGwlStyle) style = value;
        return 0;
    }
    NativeHandle setParent(NativeHandle child, NativeHandle parent) override {
        m_log.push_back("SetParent " + std::to_string(child) + " " + std::to_string(parent));
        return 0;
    }
    std::int32_t setWindowPos(NativeHandle w, NativeHandle after, std::int32_t x, std::int32_t y, std::int32_t cx,
                              std::int32_t cy, std::uint32_t flags) override {
        m_log.push_back("SetWindowPos " + std::to_string(w) + " " + std::to_string(after) + " " + std::to_string(x) +
                        " " + std::to_string(y) + " " + std::to_string(cx) + " " + std::to_string(cy) + " " +
                        hex(static_cast<std::int32_t>(flags)));
        return 1;
    }
    std::intptr_t shellExecute(NativeHandle owner, const std::string& operation, const std::string& file,
                               const std::string& parameters, const std::string& directory, std::int32_t show) override {
        m_log.push_back("ShellExecute " + std::to_string(owner) + " " + operation + " " + file + " " + parameters + " " +
                        directory + " " + std::to_string(show));
        return 42;
    }
    std::int32_t showCursor(VBBool show) override {
        cursorCount += show != 0 ? 1 : -1;
        m_log.push_back("ShowCursor " + std::to_string(show));
        return cursorCount;
    }

private:
    static std::string hex(std::int32_t v) {
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", static_cast<unsigned>(v));
        return text;
    }
    CallLog& m_log;
};

// Settings in memory: file -> "section/key" -> value, with the same missing-value rule.
class FakeProfile final : public Profile {
public:
    explicit FakeProfile(CallLog& log) : m_log(log) {}
    std::map<std::string, std::map<std::string, std::string>> files;
    bool failWrites = false;

    std::uint32_t getPrivateProfileString(const std::string& section, const std::string& key, const std::string& def,
                                          char* buffer, std::uint32_t capacity, const std::string& file) override {
        m_log.push_back("ReadProfile " + file + " " + section + " " + key);
        std::string value = def;
        if (auto f = files.find(file); f != files.end()) {
            if (auto v = f->second.find(section + "/" + key); v != f->second.end()) value = v->second;
        }
        value.resize(profile_characters::bytesWithin(value, capacity - 1));
        value.copy(buffer, value.size());
        buffer[value.size()] = '\0';
        return static_cast<std::uint32_t>(value.size());
    }
    Status writePrivateProfileString(const std::string& section, const std::string& key, const std::string& value,
                                     const std::string& file) override {
        m_log.push_back("WriteProfile " + file + " " + section + " " + key + "=" + value);
        if (failWrites) return Status::failure("Could not save settings to " + file + ": Permission denied");
        files[file][section + "/" + key] = value;
        return Status::success();
    }
    std::string fileName(const std::string& file) override {
        std::string name = file;
        for (char& c : name) c = c == '\\' ? '/' : c;
        return name;
    }

private:
    CallLog& m_log;
};

// The whole fake platform, wired to one log.
struct FakePlatform {
    CallLog log;
    FakeForms forms{log};
    FakeDesktop desktop{log};
    FakeProfile profile{log};
    FakeMedia media{log};
    FakeInput input{log};
    Platform platform{forms, desktop, profile, media, input};
};

}  // namespace tessiva::fakes
