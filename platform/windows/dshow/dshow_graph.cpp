// DShowGraph: one Filter Graph Manager, driven from the interface thread; the contract and
// the DirectShow facts it rests on are in dshow_graph.h. Every call is a COM call that answers
// an HRESULT: nothing here throws, and no code of ours runs on DirectShow's threads.
#include "platform/windows/dshow/dshow_graph.h"

#include <windows.h>
#include <dshow.h>

#include <utility>

#include "platform/shared/empty_graph.h"
#include "platform/windows/com/text.h"
#include "platform/windows/dshow/filter_pins.h"
#include "platform/windows/dshow/hresult_status.h"

namespace tessiva {
namespace {

using dshow::anyPinConnected;
using dshow::statusOf;

// A graph not made with make_shared has no shares to hand out.
Status unshared() { return Status::failure("DirectShow: the graph is not shared; make it with std::make_shared"); }

HWND hwndOf(NativeHandle handle) { return reinterpret_cast<HWND>(handle); }

// Puts the classic Video Renderer into the graph before RenderFile, which uses the renderers
// already there before it looks for others. Left to itself, RenderFile takes the default
// renderer, which on Wine is the mixing renderer: under an X server without direct rendering
// it never paints a frame, so the saver stays black while the clip plays. The classic one
// draws through GDI or DirectDraw and has been part of every Windows since DirectShow began.
// Failing to add it costs nothing: RenderFile then chooses as it always did.
ComRef<IBaseFilter> offerVideoRenderer(IGraphBuilder* graph) {
    ComRef<IBaseFilter> renderer;
    if (FAILED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                renderer.putVoid()))) {
        return {};
    }
    if (FAILED(graph->AddFilter(renderer.get(), L"Video Renderer"))) return {};
    return renderer;
}

// One face of the graph, asked for once and kept.
template <class Interface>
Status face(IMediaControl* control, ComRef<Interface>& kept, REFIID iid, const char* name, Interface*& out) {
    out = nullptr;
    if (!kept) {
        const HRESULT hr = control->QueryInterface(iid, kept.putVoid());
        if (FAILED(hr)) return statusOf(hr, std::string("the graph offers no ") + name);
    }
    out = kept.get();
    return Status::success();
}

}  // namespace

DShowGraph::DShowGraph(ComRef<IMediaControl> control, std::function<void(void*, bool)> wakeOn)
    : m_control(std::move(control)), m_wakeOn(std::move(wakeOn)) {
    OAEVENT event = 0;
    if (m_wakeOn && SUCCEEDED(m_control->QueryInterface(IID_IMediaEvent, m_events.putVoid())) &&
        SUCCEEDED(m_events->GetEventHandle(&event)) && event != 0) {
        m_eventHandle = reinterpret_cast<void*>(event);
        m_wakeOn(m_eventHandle, true);
    } else {
        m_wakeOn = nullptr;
    }
}

void DShowGraph::drainEvents() {
    if (!m_events) return;
    long code = 0;
    LONG_PTR first = 0, second = 0;
    while (m_events->GetEvent(&code, &first, &second, 0) == S_OK) m_events->FreeEventParams(code, first, second);
}

DShowGraph::~DShowGraph() {
    // The handle goes with the graph: nobody may wait on it after this.
    if (m_wakeOn) m_wakeOn(m_eventHandle, false);
    // DirectShow's own advice: hide the video window and take it from its owner before the
    // graph goes, or the owner is left with a stale picture and messages reach the wrong window.
    if (m_window && m_owner != 0) {
        m_window->put_Visible(OAFALSE);
        m_window->put_MessageDrain(0);
        m_window->put_Owner(0);
    }
    // The faces first, the graph's own IMediaControl last; the graph goes with it.
    m_position.reset();
    m_window.reset();
    m_audio.reset();
    m_control.reset();
}

Status DShowGraph::audio(IBasicAudio*& out) { return face(m_control.get(), m_audio, IID_IBasicAudio, "IBasicAudio", out); }

Status DShowGraph::window(IVideoWindow*& out) {
    return face(m_control.get(), m_window, IID_IVideoWindow, "IVideoWindow", out);
}

Status DShowGraph::position(IMediaPosition*& out) {
    return face(m_control.get(), m_position, IID_IMediaPosition, "IMediaPosition", out);
}

// ---- MediaControl ----

Status DShowGraph::renderFile(const std::string& file) {
    const std::string what = "cannot play " + file;
    // A NUL inside would silently cut the name short at the BSTR.
    std::wstring wide;
    Status converted = win32::exactWideFromUtf8(file, wide);
    if (!converted.ok()) {
        return Status::failure(converted.code(), "DirectShow: " + what + ": the file name " + converted.message());
    }
    BSTR name = SysAllocString(wide.c_str());
    if (name == nullptr) return statusOf(E_OUTOFMEMORY, what);
    ComRef<IGraphBuilder> graph;
    ComRef<IBaseFilter> renderer;
    if (SUCCEEDED(m_control->QueryInterface(IID_IGraphBuilder, graph.putVoid()))) renderer = offerVideoRenderer(graph.get());
    const HRESULT hr = m_control->RenderFile(name);
    SysFreeString(name);
    // A clip without a picture (or one that failed) leaves the renderer unconnected; taken out
    // again, the graph answers IVideoWindow just as one that RenderFile built alone.
    if (renderer && !anyPinConnected(renderer.get())) graph->RemoveFilter(renderer.get());
    // VFW_S_PARTIAL_RENDER (the video plays, the sound has no device) is a success too.
    if (SUCCEEDED(hr)) m_holdsClip = true;
    return statusOf(hr, what);
}

Status DShowGraph::run() {
    return empty_graph::control(m_holdsClip, [&] { return statusOf(m_control->Run(), "cannot run the graph"); });
}

Status DShowGraph::stop() {
    return empty_graph::control(m_holdsClip, [&] { return statusOf(m_control->Stop(), "cannot stop the graph"); });
}

Status DShowGraph::query(std::shared_ptr<BasicAudio>& out) {
    IBasicAudio* offered = nullptr;
    Status status = audio(offered);
    if (!status.ok()) return status;
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

Status DShowGraph::query(std::shared_ptr<VideoWindow>& out) {
    IVideoWindow* offered = nullptr;
    Status status = window(offered);
    if (!status.ok()) return status;
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

Status DShowGraph::query(std::shared_ptr<MediaPosition>& out) {
    IMediaPosition* offered = nullptr;
    Status status = position(offered);
    if (!status.ok()) return status;
    out = weak_from_this().lock();
    return out ? Status::success() : unshared();
}

// ---- BasicAudio ----

Status DShowGraph::putVolume(std::int32_t volume) {
    IBasicAudio* sound = nullptr;
    Status status = audio(sound);
    if (!status.ok()) return status;
    if (volume < kSilentVolume || volume > 0) {
        return statusOf(E_INVALIDARG, "put_Volume(" + std::to_string(volume) + ")");
    }
    if (volume == kSilentVolume) return whileStopped([&](IGraphBuilder* graph) { return m_sound.takeOut(graph); });
    if (m_sound.isOut()) {
        status = whileStopped([&](IGraphBuilder* graph) { return m_sound.putBack(graph); });
        if (!status.ok()) return status;
    }
    return statusOf(sound->put_Volume(volume), "put_Volume(" + std::to_string(volume) + ")");
}

Status DShowGraph::putBalance(std::int32_t balance) {
    IBasicAudio* sound = nullptr;
    Status status = audio(sound);
    if (!status.ok()) return status;
    if (m_sound.isOut()) return Status::success();  // nothing plays to be balanced
    return statusOf(sound->put_Balance(balance), "put_Balance(" + std::to_string(balance) + ")");
}

// Filters join or leave a graph only while it is stopped: stopped for `change`, then back to
// what it was doing.
Status DShowGraph::whileStopped(const std::function<Status(IGraphBuilder*)>& change) {
    ComRef<IGraphBuilder> graph;
    HRESULT hr = m_control->QueryInterface(IID_IGraphBuilder, graph.putVoid());
    if (FAILED(hr)) return statusOf(hr, "the graph offers no IGraphBuilder");
    OAFilterState state = State_Stopped;
    if (FAILED(m_control->GetState(0, &state))) state = State_Running;  // still changing: treat it as running
    if (state != State_Stopped) m_control->Stop();
    Status changed = change(graph.get());
    if (state == State_Running) hr = m_control->Run();
    else if (state == State_Paused) hr = m_control->Pause();
    else hr = S_OK;
    if (!changed.ok()) return changed;
    return statusOf(hr, "cannot restart the graph");
}

// ---- VideoWindow ----

Status DShowGraph::putWindowStyle(std::int32_t style) {
    IVideoWindow* video = nullptr;
    Status status = window(video);
    if (!status.ok()) return status;
    m_styleVisible = (style & WS_VISIBLE) != 0;
    // The program asks for WS_VISIBLE alone, meaning a bare window inside its owner. On Windows
    // that is a child window, and the style must say so: put_Owner only sets the parent, and
    // a window without WS_CHILD stays a top-level one that can be activated and take the focus
    // from the owner (Wine's put_Owner adds WS_CHILD by itself, Windows' doesn't; and a later
    // put_WindowStyle without it would take it away again). WS_CLIPSIBLINGS keeps it from
    // drawing over the owner's other children. WS_VISIBLE goes through only while the window
    // is to show (see shown()); until then it is stored.
    LONG applied = static_cast<LONG>(style) | WS_CHILD | WS_CLIPSIBLINGS;
    if (!shown()) applied &= ~static_cast<LONG>(WS_VISIBLE);
    const HRESULT hr = video->put_WindowStyle(applied);
    if (FAILED(hr)) return statusOf(hr, "put_WindowStyle");
    status = takeOverVisibility(video);
    if (!status.ok()) return status;
    return showAsDecided(video);
}

Status DShowGraph::requestPlace(RequestNumber number, std::int32_t value) {
    const Status changed = changeRequest(m_request, number, value, "DirectShow");
    return changed.ok() ? place() : changed;
}

Status DShowGraph::putTop(std::int32_t top) { return requestPlace(&PixelRect::top, top); }
Status DShowGraph::putLeft(std::int32_t left) { return requestPlace(&PixelRect::left, left); }
Status DShowGraph::putWidth(std::int32_t width) { return requestPlace(&PixelRect::width, width); }
Status DShowGraph::putHeight(std::int32_t height) { return requestPlace(&PixelRect::height, height); }

Status DShowGraph::putOwner(NativeHandle owner) {
    IVideoWindow* video = nullptr;
    Status status = window(video);
    if (!status.ok()) return status;
    const auto handle = static_cast<OAHWND>(owner);
    if (owner == 0 && m_visibilityOurs) {
        // Hidden first, so that it doesn't show as a top-level window once out of its owner.
        const NativeHandle previous = std::exchange(m_owner, 0);
        status = showAsDecided(video);
        m_owner = previous;
        if (!status.ok()) return status;
    }
    HRESULT hr = video->put_Owner(handle);
    if (FAILED(hr)) return statusOf(hr, "put_Owner");
    m_owner = owner;
    // Keys and clicks over the video go on to the owner's handlers (0: nowhere, as before).
    hr = video->put_MessageDrain(handle);
    if (FAILED(hr)) return statusOf(hr, "put_MessageDrain");
    if (owner == 0) {
        m_placedIn = ClientSize{};
        return Status::success();
    }
    return place();
}

Status DShowGraph::putFullScreenMode(std::int32_t mode) {
    IVideoWindow* video = nullptr;
    Status status = window(video);
    if (!status.ok()) return status;
    // Passed on as asked (the program passes 1, not OATRUE). Whatever DirectShow answers, the
    // video fills its owner from now on: the mode's effect in a window covering the screen.
    const HRESULT hr = video->put_FullScreenMode(mode);
    m_fillOwner = mode != 0;
    Status placed = place();
    if (FAILED(hr)) return statusOf(hr, "put_FullScreenMode(" + std::to_string(mode) + ")");
    return placed;
}

// The request clipped to the owner's client area, applied to the video window.
Status DShowGraph::place() {
    if (m_owner == 0 || !m_window) return Status::success();
    RECT client{};
    if (!GetClientRect(hwndOf(m_owner), &client)) {
        const DWORD error = GetLastError();
        return statusOf(HRESULT_FROM_WIN32(error != 0 ? error : ERROR_INVALID_WINDOW_HANDLE),
                        "cannot read the owner window's client area");
    }
    m_placedIn = ClientSize{client.right, client.bottom};
    const PixelRect placed =
        placeVideo(m_request, static_cast<int>(client.right), static_cast<int>(client.bottom), m_fillOwner);
    m_placementEmpty = placed.empty();
    if (m_placementEmpty) {
        // Nothing of it would show: hidden until a placement shows some of it.
        Status status = takeOverVisibility(m_window.get());
        if (!status.ok()) return status;
        return showAsDecided(m_window.get());
    }
    // Clipped to the client area, so every number fits a LONG.
    const HRESULT hr = m_window->SetWindowPosition(static_cast<long>(placed.left), static_cast<long>(placed.top),
                                                   static_cast<long>(placed.width), static_cast<long>(placed.height));
    if (FAILED(hr)) return statusOf(hr, "SetWindowPosition");
    return showAsDecided(m_window.get());
}

// The owner's client area may change under us (the owner resized); the program's loop asks
// for the position on every pass, which is where this looks.
void DShowGraph::followOwner() {
    if (m_owner == 0 || !m_window) return;
    RECT client{};
    if (!GetClientRect(hwndOf(m_owner), &client)) return;
    if (ClientSize{client.right, client.bottom} != m_placedIn) static_cast<void>(place());
}

// From now on we show and hide the window: AutoShow would show it whenever the graph runs.
Status DShowGraph::takeOverVisibility(IVideoWindow* video) {
    if (m_visibilityOurs) return Status::success();
    const HRESULT hr = video->put_AutoShow(OAFALSE);
    if (FAILED(hr)) return statusOf(hr, "put_AutoShow");
    m_visibilityOurs = true;
    return Status::success();
}

bool DShowGraph::shown() const { return m_owner != 0 && !m_placementEmpty && m_styleVisible; }

Status DShowGraph::showAsDecided(IVideoWindow* video) {
    if (!m_visibilityOurs) return Status::success();
    const bool show = shown();
    const HRESULT hr = video->put_Visible(show ? OATRUE : OAFALSE);
    return statusOf(hr, show ? "cannot show the video window" : "cannot hide the video window");
}

// ---- MediaPosition ----

Status DShowGraph::putRate(double rate) {
    IMediaPosition* media = nullptr;
    Status status = position(media);
    if (!status.ok()) return status;
    return statusOf(media->put_Rate(rate), "put_Rate(" + std::to_string(rate) + ")");
}

Status DShowGraph::getCurrentPosition(double& seconds) {
    drainEvents();
    followOwner();
    return empty_graph::seconds(m_holdsClip, seconds, [&](double& answer) {
        IMediaPosition* media = nullptr;
        Status status = position(media);
        if (!status.ok()) return status;
        REFTIME time = 0.0;
        const HRESULT hr = media->get_CurrentPosition(&time);
        if (SUCCEEDED(hr)) answer = time;
        return statusOf(hr, "get_CurrentPosition");
    });
}

Status DShowGraph::getDuration(double& seconds) {
    return empty_graph::seconds(m_holdsClip, seconds, [&](double& answer) {
        IMediaPosition* media = nullptr;
        Status status = position(media);
        if (!status.ok()) return status;
        REFTIME time = 0.0;
        const HRESULT hr = media->get_Duration(&time);
        if (SUCCEEDED(hr)) answer = time;
        return statusOf(hr, "get_Duration");
    });
}

Status DShowGraph::putCurrentPosition(double seconds) {
    return empty_graph::control(m_holdsClip, [&] {
        IMediaPosition* media = nullptr;
        Status status = position(media);
        if (!status.ok()) return status;
        return statusOf(media->put_CurrentPosition(seconds), "put_CurrentPosition(" + std::to_string(seconds) + ")");
    });
}

}  // namespace tessiva
