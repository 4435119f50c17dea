#include "app/lock_keys.h"

#include <QGuiApplication>

#ifdef QUORVANE_HAVE_XKB
#include <QtGui/qguiapplication_platform.h>
// X11 headers come last: their macros (None, Bool, KeyPress...) clash with Qt's names.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace quorvane {

#ifdef QUORVANE_HAVE_XKB
namespace {

// The state of the keyboard indicator named `name` ("Caps Lock"); false when there is none.
bool NamedIndicatorOn(Display* display, const char* name, bool& exists) {
    const Atom atom = XInternAtom(display, name, True);
    int index = 0;
    int on = 0;
    int real = 0;
    if (atom == 0 || !XkbGetNamedIndicator(display, atom, &index, &on, nullptr, &real)) {
        return false;
    }
    exists = true;
    return on != 0;
}

}  // namespace
#endif

LockKeyState QueryLockKeys() {
    LockKeyState state;
#ifdef QUORVANE_HAVE_XKB
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (display == nullptr) {
        return state;
    }
    bool exists = false;
    state.caps = NamedIndicatorOn(display, "Caps Lock", exists);
    state.num = NamedIndicatorOn(display, "Num Lock", exists);
    state.scroll = NamedIndicatorOn(display, "Scroll Lock", exists);
    state.known = exists;
#endif
    return state;
}

}  // namespace quorvane
