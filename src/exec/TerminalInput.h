#pragma once
// What the input line under the output does with a line the user typed in a terminal-mode
// run: Enter sends it, with a line feed, in the code the script's output uses; Ctrl+D sends
// what is typed without one and ends the input. Both answer the text to show in the output,
// as a terminal echoes what is typed.

#include <functional>
#include <string>
#include <string_view>

class InputSink {
public:
    virtual ~InputSink() = default;
    virtual void Send(std::string_view bytes) = 0;
    virtual void Close() = 0;
};

class TerminalInput {
public:
    // encode turns UTF-8 into the script's code (0 Shift_JIS, 1 EUC-JP, 2 JIS; UTF-8 (3) is
    // sent as typed).
    TerminalInput(InputSink& sink, int scriptCode,
                  std::function<std::string(std::string_view, int)> encode = {});

    std::string Enter(const std::string& utf8);
    std::string EndInput(const std::string& utf8);
    bool Ended() const { return ended_; }

private:
    std::string Encoded(const std::string& utf8) const;

    InputSink& sink_;
    int scriptCode_;
    std::function<std::string(std::string_view, int)> encode_;
    bool ended_ = false;
};
