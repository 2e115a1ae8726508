#pragma once
// The saver's window on a Wayland compositor without wlr-layer-shell (GNOME's): the form as
// Qt's own full-screen window on the primary output, and a black full-screen window of ours
// on every other output, each placed by choosing its screen before it shows (a Wayland client
// can't place its windows). The video comes as pictures into a child of the form
// (qt_frame_picture.h). Input reaches the form through Qt, as on X11; the background mouse
// watch sees nothing here, since relative motion goes to Qt's connection, so moves end the
// saver by the form's own MouseMove rule.
#include <QPointer>
#include <vector>

#include "platform/linux/gst/frame_target.h"
#include "platform/linux/qt/window_presenter.h"

class QScreen;
class QWidget;

namespace tessiva {

class QtFramePicture;

class XdgSaver final : public WindowPresenter {
public:
    explicit XdgSaver(FrameTargets& targets);
    ~XdgSaver() override;

    Status show(QtFormWindow& window) override;
    NativeHandle handle(QtFormWindow&) override { return handle(); }
    Status coverOtherMonitors(QtFormWindow& window) override;
    void hide() override;

private:
    NativeHandle handle() const;
    void syncCovers();

    FrameTargets& m_targets;
    QtFormWindow* m_window = nullptr;
    QtFramePicture* m_picture = nullptr;  // a child of the form
    bool m_wantCovers = false;
    std::vector<QPointer<QWidget>> m_covers;
};

}  // namespace tessiva
