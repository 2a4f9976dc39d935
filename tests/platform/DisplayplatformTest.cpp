// The platform plugin chosen from the session's environment, and the arguments that carry it.
#include "platform/Displayplatform.h"

#include <gtest/gtest.h>
#include <map>

namespace {

using Env = std::map<std::string, std::string>;

EnvironmentLookup Lookup(const Env& env) {
    return [&env](const char* name) -> const char* {
        auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
    };
}

} // namespace

TEST(Displayplatform, AWaylandSessionRunsOnXWaylandUnlessTheUserChoseAPlugin) {
    struct Row {
        const char* what;
        Env env;
        std::string platform;
    };
    const Row rows[] = {
        {"GNOME or KDE on Wayland", {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "xcb"},
        {"only the session type says Wayland",
         {{"XDG_SESSION_TYPE", "wayland"}, {"DISPLAY", ":1"}},
         "xcb"},
        {"the user's own choice stands",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}},
         ""},
        {"an empty choice is no choice",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", ""}},
         "xcb"},
        {"no XWayland: Wayland is all there is", {{"WAYLAND_DISPLAY", "wayland-0"}}, ""},
        {"an empty DISPLAY is no X server",
         {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}},
         ""},
        {"an X11 session", {{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "x11"}}, ""},
        {"an empty WAYLAND_DISPLAY", {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":0"}}, ""},
        {"no display at all", {}, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ChosenQtPlatform(Lookup(r.env)), r.platform) << r.what;
}

TEST(Displayplatform, TheChoiceGoesBeforeTheFileArgumentsAndNothingElseChanges) {
    char exe[] = "vexilpro", file[] = "/w/a b.pl", other[] = "-x";
    char* argv[] = {exe, file, other, nullptr};
    using Args = std::vector<std::string>;
    EXPECT_EQ(QtArguments(3, argv, "xcb"),
              (Args{"vexilpro", "-platform", "xcb", "/w/a b.pl", "-x"}));
    EXPECT_EQ(QtArguments(3, argv, ""), (Args{"vexilpro", "/w/a b.pl", "-x"}));
    EXPECT_EQ(QtArguments(1, argv, "xcb"), (Args{"vexilpro", "-platform", "xcb"}));
}
