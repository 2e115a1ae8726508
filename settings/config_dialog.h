#pragma once
// The configuration dialog of Form1: its set-up in the Load handler and the handlers of its
// buttons and links. Form1 inherits this, so the handlers are Form1's own.
//
// Interface thread only. The set-up declares no error handling: a stored sound setting the
// check box can't take is a RuntimeError before the window shows, and it names the file,
// the key and the value. A failed save is shown in a box and the dialog stays open.
#include "platform/forms.h"
#include "platform/platform.h"

namespace tessiva {

class ConfigDialog {
public:
    void ConfigureDialog();  // the Load handler's configuration branch
    void CmdOK_Click();
    void CmdCancel_Click();
    void Label3_Click();
    void Label4_Click();

protected:
    explicit ConfigDialog(Platform& platform) : m_platform(platform) {}
    ~ConfigDialog() = default;
    virtual FormWindow& window() = 0;

private:
    void openLink(const std::string& address);
    Platform& m_platform;
};

}  // namespace tessiva
