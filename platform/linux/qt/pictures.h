#pragma once
// The pictures embedded in the program (Qt resources), as Qt objects.
#include <QCursor>
#include <QIcon>
#include <QPixmap>

#include "platform/forms.h"

namespace tessiva {

QPixmap picturePixmap(PictureId picture);
QIcon windowIcon();
// The hand pointer with the hot spot its cursor file names (Qt's reader drops it).
QCursor handCursor();

}  // namespace tessiva
