#include "platform/linux/qt/qt_window_presenter.h"

#include "platform/linux/qt/qt_form_window.h"

namespace tessiva {

Status QtWindowPresenter::show(QtFormWindow& window) {
    window.QWidget::show();
    shown(window);
    window.raise();
    window.activateWindow();
    window.focusFirstControl();
    return Status::success();
}

NativeHandle QtWindowPresenter::handle(QtFormWindow& window) { return static_cast<NativeHandle>(window.winId()); }

}  // namespace tessiva
