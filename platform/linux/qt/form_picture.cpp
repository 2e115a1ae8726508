#include "platform/linux/qt/form_picture.h"

#include <QBackingStore>
#include <QWidget>

namespace tessiva {

FormPicture::Keeping FormPicture::backingStoreOf(QWidget& window) {
    return Keeping{[&window] {
                       window.setUpdatesEnabled(false);
                       if (QBackingStore* store = window.backingStore()) store->resize(QSize(1, 1));
                   },
                   [&window] {
                       window.setUpdatesEnabled(true);
                       window.update();
                   }};
}

void FormPicture::videoCoversAll(bool all) {
    if (all == m_letGo) return;
    m_letGo = all;
    if (all) {
        if (m_keeping.letGo) m_keeping.letGo();
    } else if (m_keeping.drawAgain) {
        m_keeping.drawAgain();
    }
}

}  // namespace tessiva
