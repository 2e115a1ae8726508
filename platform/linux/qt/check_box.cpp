#include "platform/linux/qt/check_box.h"

namespace tessiva {

CheckBox::CheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) { setTristate(true); }

void CheckBox::nextCheckState() { setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked); }

}  // namespace tessiva
