#pragma once
// The form's picture is let go of while the video covers all of it, whichever desktop shows
// the form: on X11 Qt's backing store of the saver's window, on Wayland the picture of the
// form that the saver's surface shows around the video. At 3840x2160 either takes 33 MB
// that nobody sees then. The desktop says when the video comes to cover all of the form and
// when it stops; the picture is let go of once, and drawn again, whole, once any of the form
// shows.
//
// Threads: whoever calls it serialises the calls (the interface thread on X11, the saver's
// lock on Wayland, where the video's thread says what the video covers).
#include <functional>

class QWidget;

namespace tessiva {

class FormPicture {
public:
    // What letting go and drawing again mean where the form shows.
    struct Keeping {
        std::function<void()> letGo;
        std::function<void()> drawAgain;
    };
    explicit FormPicture(Keeping keeping) : m_keeping(std::move(keeping)) {}

    // Keeping for a window that Qt itself shows: its backing store shrinks to a pixel and its
    // updates stop; drawing again lets Qt repaint it whole. `window` outlives the picture.
    static Keeping backingStoreOf(QWidget& window);

    void videoCoversAll(bool all);
    bool letGo() const { return m_letGo; }

private:
    Keeping m_keeping;
    bool m_letGo = false;
};

}  // namespace tessiva
