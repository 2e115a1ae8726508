#pragma once
// The media graph of Form1: its four references to one filter graph, the two methods that
// build and tear it down, and the looping playback driver. Form1 inherits this, so the
// references and methods are Form1's own, as the rest of the program names them.
//
// Interface thread only. OpenDShowFile and RemoveDShow never let a failure out: the first
// skips a failing step and goes on, the second gives up at its first failure. The driver has
// no handling of its own: a failing call is a RuntimeError out of the Load handler.
#include <memory>
#include <string>

#include "platform/forms.h"
#include "platform/media.h"
#include "platform/platform.h"

namespace tessiva {

class MediaGraph {
public:
    std::shared_ptr<tessiva::MediaControl> MediaControl;
    std::shared_ptr<tessiva::BasicAudio> BasicAudio;
    std::shared_ptr<tessiva::VideoWindow> VideoWindow;
    std::shared_ptr<tessiva::MediaPosition> MediaPosition;

    void OpenDShowFile(const std::string& Filename);
    void RemoveDShow();
    // Starts the graph and keeps it looping while `running` holds, yielding on every pass.
    void RunPlaybackLoop(const VBBool& running);

protected:
    explicit MediaGraph(Platform& platform) : m_platform(platform) {}
    ~MediaGraph() = default;
    // The window the video shows in.
    virtual FormWindow& window() = 0;
    // True once the window has been unloaded, whatever became of the graph then.
    virtual bool windowUnloaded() const = 0;

private:
    Platform& m_platform;
};

}  // namespace tessiva
