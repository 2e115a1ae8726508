#include "window/form1.h"

#include "input/quit_rule.h"
#include "platform/runtime_error.h"
#include "settings/ini.h"
#include "settings/settings_file.h"
#include "window/form1_definition.h"

namespace tessiva {

FormWindow& Form1::window() {
    if (m_window == nullptr) throw errors::objectNotSet();
    return *m_window;
}

void Form1::Form_Load() {
    InitMouse();
    FormWindow& me = window();
    if (m_flags.PreviewMode != kFalse) {
        // The host's preview shows the still picture; Main embeds and sizes the window.
        check(me.setPicture(me.picture(Image1)));
        return;
    }
    if (m_flags.ConfigMode != kFalse) {
        ConfigureDialog();
        return;
    }
    // The saver: cover the primary screen, hide the cursor, and play the clip until input
    // ends the program.
    Running = kTrue;
    check(me.show());
    check(me.setWindowState(0));
    check(me.setTop(0));
    check(me.setLeft(0));
    check(me.setWidth(m_platform.forms.screenWidth()));
    check(me.setHeight(m_platform.forms.screenHeight()));
    (void)m_platform.desktop.showCursor(kFalse);
    // The other monitors go black too; a desktop that can't do it still shows the saver.
    (void)me.coverOtherMonitors();
    RemoveDShow();
    const std::string clip = ReadIni(m_platform.profile, settingsFileLowerCase(m_platform.forms), "config", "path", "") +
                             "vorn.evc";
    OpenDShowFile(clip);
    RunPlaybackLoop(Running);
}

void Form1::Form_Unload(std::int16_t& /*Cancel*/) {
    // The playback loop, if the unload came inside one of its yields, ends on this record.
    m_unloaded = true;
    (void)m_platform.desktop.showCursor(kTrue);
    RemoveDShow();
}

void Form1::Form_KeyPress(std::int16_t& /*KeyAscii*/) {
    if (inputEndsProgram(m_flags)) m_platform.forms.endProgram();
}

void Form1::Form_MouseDown(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (inputEndsProgram(m_flags)) m_platform.forms.endProgram();
}

void Form1::Form_MouseMove(std::int16_t /*Button*/, std::int16_t /*Shift*/, float /*X*/, float /*Y*/) {
    if (!inputEndsProgram(m_flags)) return;
    // The sixth move ends the program, so the count never gets near overflowing.
    MoveCount = static_cast<std::int16_t>(MoveCount + 1);
    if (MoveCount > 5) m_platform.forms.endProgram();
}

void Form1::Control_Click(ControlIndex control) {
    switch (control) {
    case CmdOK: CmdOK_Click(); break;
    case CmdCancel: CmdCancel_Click(); break;
    case Label3: Label3_Click(); break;
    case Label4: Label4_Click(); break;
    default: break;  // the other controls have no Click handler
    }
}

}  // namespace tessiva
