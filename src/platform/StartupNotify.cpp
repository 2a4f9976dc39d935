#include "platform/StartupNotify.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstring>

namespace {

constexpr size_t kPiece = 20; // the data of a client message in format 8

} // namespace

std::string StartupRemoveMessage(const std::string& id) {
    if (id.find_first_of(" \"\\") == std::string::npos)
        return "remove: ID=" + id;
    std::string quoted = "\"";
    for (char c : id) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return "remove: ID=" + quoted + "\"";
}

std::vector<std::string> StartupMessagePieces(const std::string& message) {
    std::string whole = message;
    whole += '\0';
    std::vector<std::string> pieces;
    for (size_t at = 0; at < whole.size(); at += kPiece) {
        std::string piece = whole.substr(at, kPiece);
        piece.resize(kPiece, '\0');
        pieces.push_back(piece);
    }
    return pieces;
}

bool CompleteStartupNotification(const std::string& displayName, const std::string& id) {
    if (id.empty())
        return false;
    Display* display = XOpenDisplay(displayName.empty() ? nullptr : displayName.c_str());
    if (!display)
        return false;
    const Window root = DefaultRootWindow(display);
    // The messages name a window of the sender's own, which tells the listeners' pieces of one
    // message from another's.
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window sender = XCreateWindow(display, root, -100, -100, 1, 1, 0, CopyFromParent,
                                        InputOnly, CopyFromParent, CWOverrideRedirect, &attributes);
    const Atom begin = XInternAtom(display, "_NET_STARTUP_INFO_BEGIN", False);
    const Atom more = XInternAtom(display, "_NET_STARTUP_INFO", False);
    bool first = true;
    for (const std::string& piece : StartupMessagePieces(StartupRemoveMessage(id))) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.display = display;
        event.xclient.window = sender;
        event.xclient.message_type = first ? begin : more;
        event.xclient.format = 8;
        std::memcpy(event.xclient.data.b, piece.data(), kPiece);
        XSendEvent(display, root, False, PropertyChangeMask, &event);
        first = false;
    }
    XDestroyWindow(display, sender);
    XSync(display, False);
    XCloseDisplay(display);
    return true;
}
