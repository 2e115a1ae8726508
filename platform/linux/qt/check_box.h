#pragma once
// CheckBox: a check box that shows a grayed state when the program sets one, while a user's
// click or Space only ever ticks or clears it (a tristate QCheckBox would cycle through the
// grayed state too). GUI thread only.
#include <QCheckBox>

namespace tessiva {

class CheckBox final : public QCheckBox {
public:
    CheckBox(const QString& text, QWidget* parent);

protected:
    void nextCheckState() override;
};

}  // namespace tessiva
