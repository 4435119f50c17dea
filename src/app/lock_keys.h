// Whether Caps Lock, Num Lock and Scroll Lock are on, where the windowing system can tell.
#pragma once

namespace quorvane {

struct LockKeyState {
    bool known = false;  // false where the platform offers no way to ask
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// Asks the windowing system (the X keyboard extension under X11); unknown elsewhere.
LockKeyState QueryLockKeys();

}  // namespace quorvane
