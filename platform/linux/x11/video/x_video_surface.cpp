// XVideoSurface: our X window and the X sink drawing into it (see x_video_surface.h).
#include "platform/linux/x11/video/x_video_surface.h"

namespace tessiva {

Status XVideoSurface::open() {
    Status opened = m_window.open();
    if (!opened.ok()) return opened;
    return m_output.create(m_window.id(), m_window.width(), m_window.height());
}

void XVideoSurface::close() {
    m_output.release();
    m_window.close();
}

Status XVideoSurface::setOwner(NativeHandle owner) {
    WindowChange change;
    Status status = m_window.setOwner(owner, change);
    apply(change);
    return status;
}

void XVideoSurface::apply(const WindowChange& change) {
    if (m_output.element() == nullptr) return;
    if (change.resized) m_output.resize(m_window.width(), m_window.height());
    if ((change.resized || change.redraw) && m_window.mapped()) m_output.redraw();
}

}  // namespace tessiva
