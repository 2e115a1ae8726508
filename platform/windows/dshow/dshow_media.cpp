// DShowMedia: makes graphs (see dshow_media.h). A failure leaves `out` as it was, as a
// failed assignment would.
#include "platform/windows/dshow/dshow_media.h"

#include <windows.h>
#include <dshow.h>

#include "platform/windows/com/com_ref.h"
#include "platform/windows/dshow/dshow_graph.h"
#include "platform/windows/dshow/hresult_status.h"

namespace tessiva {

Status DShowMedia::createFilterGraph(std::shared_ptr<MediaControl>& out) {
    ComRef<IMediaControl> control;
    const HRESULT hr =
        CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaControl, control.putVoid());
    if (FAILED(hr)) return dshow::statusOf(hr, "cannot create a filter graph");
    out = std::make_shared<DShowGraph>(std::move(control), m_wakeOn);
    return Status::success();
}

}  // namespace tessiva
