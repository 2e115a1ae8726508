#include "platform/linux/qt/pictures.h"

#include <QFile>

#include "platform/shared/cursor_file.h"

namespace tessiva {
namespace {

const char* resourcePath(PictureId picture) {
    switch (picture) {
    case PictureId::WindowIcon: return ":/tessiva/tessiva.ico";
    case PictureId::HandPointer: return ":/tessiva/hand.cur";
    case PictureId::PreviewPicture: return ":/tessiva/preview.jpg";
    case PictureId::None: break;
    }
    return nullptr;
}

}  // namespace

QPixmap picturePixmap(PictureId picture) {
    const char* path = resourcePath(picture);
    return path != nullptr ? QPixmap(QString::fromLatin1(path)) : QPixmap();
}

QIcon windowIcon() { return QIcon(QString::fromLatin1(resourcePath(PictureId::WindowIcon))); }

QCursor handCursor() {
    static const QCursor cursor = [] {
        QFile file(QString::fromLatin1(resourcePath(PictureId::HandPointer)));
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const auto hotSpot = cursorHotSpot(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        const QPixmap pixmap = picturePixmap(PictureId::HandPointer);
        if (pixmap.isNull()) return QCursor(Qt::PointingHandCursor);
        return hotSpot ? QCursor(pixmap, hotSpot->x, hotSpot->y) : QCursor(pixmap);
    }();
    return cursor;
}

}  // namespace tessiva
