#pragma once
// Looking a name up in a language's own documentation by running one of its programs
// (pydoc). Such a program may import and run code of the module it documents, and may take
// seconds, so it runs away from the window: the window stays usable, the user may call it off,
// and it gets no display and no browser to open windows with.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct DocCall {
    // Run directly: no shell sees the arguments.
    std::vector<std::string> argv;
    // Taken out of the program's environment, then set in it.
    std::vector<std::string> unset;
    std::vector<std::pair<std::string, std::string>> set;
    // Ended when it takes longer.
    std::chrono::milliseconds timeout{15000};
    // Output beyond this is dropped.
    std::size_t maxBytes = 4 << 20;
};

class DocLookup {
public:
    virtual ~DocLookup() = default;
    using Done = std::function<void(std::optional<std::string> output)>;
    // Starts the program in an empty folder of its own (removed afterwards), standard input
    // empty, standard error dropped, and returns at once. Later, on the window's thread, done
    // gets its standard output when it ended with code 0 within the time, nothing otherwise. A
    // lookup still running is called off first; done is never called for one called off.
    virtual void Start(const DocCall& call, Done done) = 0;
    // Calls off the running lookup and ends its program; nothing when none runs.
    virtual void Cancel() = 0;
    virtual bool Busy() const = 0;
};

// pydoc of NAME through the language's interpreter, isolated (-I: no PYTHON* variables, no
// user site) and with no way to a display, a terminal or a browser: `antigravity` or
// `webbrowser` documented must open nothing.
DocCall PydocCall(const std::string& interpreter, const std::string& name);
// pydoc's output as an entry, or nothing when it says it has none (older versions say so with
// exit code 0).
std::optional<std::string> PydocEntry(std::optional<std::string> output);
