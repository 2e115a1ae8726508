#include "window/form1.h"

#include "platform/runtime_error.h"
#include "window/form1_definition.h"

namespace tessiva {

FormWindow& Form1::window() {
    if (m_window == nullptr) throw errors::objectNotSet();
    return *m_window;
}

void Form1::Form_Load() {
    FormWindow& me = window();
    if (m_flags.PreviewMode != kFalse) {
        // The host's preview shows the still picture; Main embeds and sizes the window.
        check(me.setPicture(me.picture(Image1)));
        return;
    }
    if (m_flags.ConfigMode != kFalse) {
        return;
    }
    // The saver: cover the primary screen and hide the cursor.
    Running = kTrue;
    check(me.show());
    check(me.setWindowState(0));
    check(me.setTop(0));
    check(me.setLeft(0));
    check(me.setWidth(m_platform.forms.screenWidth()));
    check(me.setHeight(m_platform.forms.screenHeight()));
    (void)m_platform.desktop.showCursor(kFalse);
}

void Form1::Form_Unload(std::int16_t& /*Cancel*/) { (void)m_platform.desktop.showCursor(kTrue); }

void Form1::Form_KeyPress(std::int16_t& /*KeyAscii*/) {}

void Form1::Form_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/, float /*Y*/) {}

void Form1::Form_MouseMove(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/, float /*Y*/) {}

void Form1::Control_Click(ControlIndex /*control*/) {}

}  // namespace tessiva
