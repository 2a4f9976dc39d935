#include "config/ConfigForm.h"

#include "platform/HotKey.h"

uint16_t HotKeyCode(unsigned virtualKey, bool shift, bool ctrl, bool alt) {
    if (!(ctrl || alt) || virtualKey == 0 || virtualKey > 0xFF ||
        VirtualKeyToKeySym(virtualKey) == 0)
        return 0;
    return static_cast<uint16_t>(virtualKey | (shift ? kHotKeyShift : 0) |
                                 (ctrl ? kHotKeyCtrl : 0) | (alt ? kHotKeyAlt : 0));
}
