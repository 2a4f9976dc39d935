#pragma once
// The desktop's start-up notification (a launcher's busy cursor, a "starting" task entry) ends
// with a "remove" message for the start's DESKTOP_STARTUP_ID. Qt sends it when the first window
// shows; a start that hands its file over to the running instance shows no window, so it sends
// the message itself before it ends.

#include <string>
#include <vector>

// The message text: "remove: ID=<id>", the id quoted when it holds a blank, '"' or '\'.
std::string StartupRemoveMessage(const std::string& id);

// The message as the X client messages carry it: with its terminating NUL, in pieces of 20
// bytes, the last one filled with NULs.
std::vector<std::string> StartupMessagePieces(const std::string& message);

// Sends the remove message for id to the root window of displayName's default screen. False
// when there is no id or the display cannot be opened.
bool CompleteStartupNotification(const std::string& displayName, const std::string& id);
