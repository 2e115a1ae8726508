#pragma once
// One filter graph on DirectShow: a thin wrapper over one Filter Graph Manager. A single object
// answers all four faces (control, audio, video window, position); the faces that query()
// hands out share its ownership, so the graph lives until the last of them goes, and then
// its COM references are released (and with the last of them the graph itself).
//
// Contract, beyond the seam's (platform/media.h):
// - Runs on the interface thread, in the single-threaded apartment that the composition root
//   initialised (platform/platform.h); the layer never initialises COM. The video window that
//   the renderer makes belongs to that thread too, so it paints and forwards input only while
//   the thread handles its messages (the program's yield does).
// - The empty graph: until a clip has rendered, Run, Stop, the position and duration getters
//   and rewinds answer as platform/shared/empty_graph.h says.
// - Placement: the numbers of putTop/Left/Width/Height are kept, and the video window gets
//   them clipped to the owner's client area (platform/shared/video_placement.h), or all of it
//   in full-screen mode, once an owner is set and again whenever a number, the mode or the
//   owner's client size changes.
// - Visibility: once the program has given a style (or a placement came out empty), the
//   layer decides it, and DirectShow's AutoShow is off: the window shows while it has an
//   owner, its placement is not empty, and the style says WS_VISIBLE. So it never shows as a
//   top-level window of its own, before put_Owner or after put_Owner(0), as the GStreamer
//   layer's window doesn't.
//
// Facts relied on (Windows' quartz, and Wine 8's quartz on winegstreamer):
// - RenderFile finds the source filter by the file's first bytes, whatever its extension,
//   and answers VFW_S_PARTIAL_RENDER (a success) when the sound can't be played.
// - RenderFile connects to the renderers already in the graph before it looks for others.
//   The layer offers it the classic Video Renderer: Wine's default (mixing) renderer paints
//   nothing under an X server without direct rendering.
// - The filter graph manager forwards IVideoWindow and IBasicAudio to the renderers in the
//   graph; without one they fail (E_NOINTERFACE / VFW_E_NO_INTERFACE).
// - IVideoWindow::put_Top and friends take pixels relative to the owner's client area once
//   the window is a child. put_Owner alone doesn't make it a child on Windows: the style must
//   say WS_CHILD (Wine's put_Owner adds it itself).
// - The video window keeps keys and clicks unless put_MessageDrain names a window; then it
//   posts them there.
// - Wine answers put_FullScreenMode and put_Volume with E_NOTIMPL, and get_Duration with
//   E_NOTIMPL on a graph that holds no clip.
// - Silence (put_Volume's -10000) is no sound path here (sound_path.h). Filters leave and
//   join a graph only while it is stopped, so a running graph stops for the change and runs
//   again.
// - IMediaEvent::GetEventHandle answers a manual-reset event that is signalled while events
//   wait in the graph's queue; the graph owns it. GetEvent with a timeout of 0 reads one
//   without waiting, and FreeEventParams lets go of its parameters.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/media.h"
#include "platform/shared/video_placement.h"
#include "platform/windows/com/com_ref.h"
#include "platform/windows/dshow/sound_path.h"

// The SDK's interfaces, declared as the SDK does (its `interface` is `struct`), so that this
// header needs no system header.
struct IMediaControl;
struct IBasicAudio;
struct IVideoWindow;
struct IMediaPosition;
struct IMediaEvent;
struct IGraphBuilder;

namespace tessiva {

class DShowGraph final : public MediaControl,
                         public BasicAudio,
                         public VideoWindow,
                         public MediaPosition,
                         public std::enable_shared_from_this<DShowGraph> {
public:
    // Takes over the reference to the new graph's IMediaControl. Make it with
    // std::make_shared: query() hands out shares of it.
    // `wakeOn` hears the graph's event handle now, and again when the graph goes (DShowMedia).
    explicit DShowGraph(ComRef<IMediaControl> control, std::function<void(void*, bool)> wakeOn = {});
    DShowGraph(const DShowGraph&) = delete;
    DShowGraph& operator=(const DShowGraph&) = delete;
    ~DShowGraph() override;

    // MediaControl
    Status renderFile(const std::string& file) override;
    Status run() override;
    Status stop() override;
    Status query(std::shared_ptr<BasicAudio>& out) override;
    Status query(std::shared_ptr<VideoWindow>& out) override;
    Status query(std::shared_ptr<MediaPosition>& out) override;

    // BasicAudio
    Status putVolume(std::int32_t volume) override;
    Status putBalance(std::int32_t balance) override;

    // VideoWindow
    Status putWindowStyle(std::int32_t style) override;
    Status putTop(std::int32_t top) override;
    Status putLeft(std::int32_t left) override;
    Status putWidth(std::int32_t width) override;
    Status putHeight(std::int32_t height) override;
    Status putOwner(NativeHandle owner) override;
    Status putFullScreenMode(std::int32_t mode) override;

    // MediaPosition
    Status putRate(double rate) override;
    Status getCurrentPosition(double& seconds) override;
    Status getDuration(double& seconds) override;
    Status putCurrentPosition(double seconds) override;

private:
    struct ClientSize {
        long width = -1;
        long height = -1;
        bool operator==(const ClientSize&) const = default;
    };

    Status audio(IBasicAudio*& out);
    Status whileStopped(const std::function<Status(IGraphBuilder*)>& change);
    Status window(IVideoWindow*& out);
    Status position(IMediaPosition*& out);
    Status requestPlace(RequestNumber number, std::int32_t value);
    Status place();
    void followOwner();
    Status takeOverVisibility(IVideoWindow* video);
    bool shown() const;
    Status showAsDecided(IVideoWindow* video);

    // Reads and lets go of every event waiting, so that the event handle goes quiet.
    void drainEvents();

    ComRef<IMediaControl> m_control;
    ComRef<IMediaEvent> m_events;
    std::function<void(void*, bool)> m_wakeOn;
    void* m_eventHandle = nullptr;
    ComRef<IBasicAudio> m_audio;
    dshow::SoundPath m_sound;  // out while the volume is silence
    static constexpr std::int32_t kSilentVolume = -10000;
    ComRef<IVideoWindow> m_window;
    ComRef<IMediaPosition> m_position;
    bool m_holdsClip = false;  // a RenderFile has succeeded

    PixelRect m_request = kWholeOwner;
    bool m_fillOwner = false;
    NativeHandle m_owner = 0;
    ClientSize m_placedIn;  // the owner's client size the last placement was made for
    bool m_placementEmpty = false;
    bool m_visibilityOurs = false;  // AutoShow is off, and shown() decides
    bool m_styleVisible = true;     // the last style asked for WS_VISIBLE (none asked: shown)
};

}  // namespace tessiva
