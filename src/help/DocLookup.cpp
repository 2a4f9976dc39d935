#include "help/DocLookup.h"

DocCall PydocCall(const std::string& interpreter, const std::string& name) {
    DocCall call;
    call.argv = {interpreter, "-I", "-m", "pydoc", name};
    // No display: tkinter (idlelib) and the X browsers fail. No terminal: webbrowser takes no
    // console browser. BROWSER names a program that opens nothing, and webbrowser stops at it.
    call.unset = {"DISPLAY", "WAYLAND_DISPLAY", "TERM", "BROWSER", "XDG_SESSION_TYPE"};
    call.set = {{"BROWSER", "true"}};
    return call;
}

std::optional<std::string> PydocEntry(std::optional<std::string> output) {
    if (!output || output->empty() || output->rfind("No Python documentation found", 0) == 0)
        return std::nullopt;
    return output;
}
