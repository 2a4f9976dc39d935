#pragma once
// The rules of the environment settings dialog that are not about widgets: which controls are
// enabled, and what the hot-key field makes of a key press. Filling and applying are
// KVexilConfig::Environment and ApplyEnvironment.

#include "config/Kvexilconfig.h"

#include <cstdint>

// The hot key's code for a key pressed with modifiers: the virtual-key code plus 0x2000 Shift,
// 0x4000 Ctrl, 0x8000 Alt. A key without Ctrl or Alt (no modifier, or Shift alone) is no hot
// key, and neither is a key the key table does not know: both give 0.
uint16_t HotKeyCode(unsigned virtualKey, bool shift, bool ctrl, bool alt);

// A disabled control keeps its value; it is still copied back on OK.
inline bool HotKeyFieldEnabled(const KEnvironmentSettings& s) {
    return s.UseHotKey;
}
inline bool DontChangeDirFromDesktopEnabled(const KEnvironmentSettings& s) {
    return s.ChangeCurrentDirOnDrop;
}
