#include "platform/Displayplatform.h"

#include <string_view>

namespace {

bool Set(const EnvironmentLookup& env, const char* name) {
    const char* value = env(name);
    return value && *value;
}

} // namespace

std::string ChosenQtPlatform(const EnvironmentLookup& env) {
    if (Set(env, "QT_QPA_PLATFORM"))
        return {};
    const char* session = env("XDG_SESSION_TYPE");
    const bool wayland =
        Set(env, "WAYLAND_DISPLAY") || (session && std::string_view(session) == "wayland");
    return wayland && Set(env, "DISPLAY") ? "xcb" : "";
}

std::vector<std::string> QtArguments(int argc, char** argv, const std::string& platform) {
    std::vector<std::string> args(argv, argv + argc);
    if (!platform.empty()) {
        // Right after the program's name: the arguments after it are a file name's parts.
        args.insert(args.begin() + (args.empty() ? 0 : 1), {"-platform", platform});
    }
    return args;
}
