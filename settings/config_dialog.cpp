#include "settings/config_dialog.h"

#include "platform/convert.h"
#include "platform/runtime_error.h"
#include "settings/ini.h"
#include "settings/settings_file.h"
#include "vocabulary/form1_controls.h"

namespace tessiva {
namespace {

// The check box's value from the stored text, or a run-time error that says what is wrong
// where a user can find it.
std::int16_t storedCheckValue(const std::string& text, const std::string& file) {
    const auto refuse = [&](const RuntimeError& error) {
        return RuntimeError(error.number(), error.description() + ": the setting \"sound\" in " + file + " is \"" +
                                                text + "\"; it must be 0, 1 or 2.");
    };
    std::int16_t value = 0;
    try {
        value = toInteger(text);
    } catch (const RuntimeError& error) {
        throw refuse(error);
    }
    if (value < 0 || value > 2) throw refuse(errors::invalidPropertyValue());
    return value;
}

}  // namespace

void ConfigDialog::ConfigureDialog() {
    FormWindow& me = window();
    for (ControlIndex control : {CmdCancel, CmdOK, Label1, Label2, Label3, Label4, Check1}) {
        check(me.setVisible(control, true));
    }
    const std::string file = settingsFile(m_platform.forms);
    const std::string stored = ReadIni(m_platform.profile, file, "config", "sound", "1");
    check(me.setValue(Check1, storedCheckValue(stored, m_platform.profile.fileName(file))));
    check(me.setBorderStyle(3));
    check(me.setCaption("Configure"));
}

void ConfigDialog::CmdOK_Click() {
    const std::string file = settingsFile(m_platform.forms);
    const std::int16_t value = window().value(Check1);
    const Status saved = WriteIni(m_platform.profile, file, "config", "sound", std::to_string(value));
    if (!saved.ok()) {
        // The setting never reached the file: say so and let the user decide, rather than
        // close as if it had been saved.
        m_platform.forms.messageBox(saved.message());
        return;
    }
    m_platform.forms.endProgram();
}

void ConfigDialog::CmdCancel_Click() { m_platform.forms.endProgram(); }

void ConfigDialog::Label3_Click() { openLink(std::string(kPublisherAddress) + "/"); }

void ConfigDialog::Label4_Click() { openLink(kCodecAddress); }

void ConfigDialog::openLink(const std::string& address) {
    (void)m_platform.desktop.shellExecute(window().hWnd(), "open", address, "0", "0", win::kSwHide);
}

}  // namespace tessiva
