#pragma once
// Which of Qt's platform plugins the program runs on. The Escape key probe and the global hot
// key work through X11; on a Wayland session a Wayland client would see neither, so the
// program runs on XWayland there unless the user chose a plugin with QT_QPA_PLATFORM.

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

using EnvironmentLookup = std::function<const char*(const char*)>;

// "xcb" under a Wayland session (WAYLAND_DISPLAY set, or XDG_SESSION_TYPE "wayland") that has
// an X server beside it (DISPLAY set) and no QT_QPA_PLATFORM set; empty otherwise, leaving Qt
// its own choice (a session without XWayland can only run on Wayland).
std::string ChosenQtPlatform(const EnvironmentLookup& env = std::getenv);

// The program's arguments for QApplication, with "-platform <plugin>" added when a plugin was
// chosen. The environment stays as it is, so the scripts the program runs see the session as
// it is, Wayland included.
std::vector<std::string> QtArguments(int argc, char** argv, const std::string& platform);
