#include "exec/TerminalInput.h"

#include "encoding/Codeconv.h"
#include "platform/Cp932.h"

TerminalInput::TerminalInput(InputSink& sink, int scriptCode,
                             std::function<std::string(std::string_view, int)> encode)
    : sink_(sink), scriptCode_(scriptCode), encode_(std::move(encode)) {}

std::string TerminalInput::Encoded(const std::string& utf8) const {
    if (scriptCode_ == kCodeUtf8)
        return utf8;
    if (scriptCode_ == kCodeSjis || !encode_)
        return Utf8ToCp932(utf8).text;
    return encode_(utf8, scriptCode_);
}

std::string TerminalInput::Enter(const std::string& utf8) {
    if (ended_)
        return {};
    // A pasted line break inside the line would send two lines the user never saw apart.
    std::string line = utf8;
    for (char& c : line)
        if (c == '\r' || c == '\n')
            c = ' ';
    sink_.Send(Encoded(line) + "\n");
    return line + "\n";
}

std::string TerminalInput::EndInput(const std::string& utf8) {
    if (ended_)
        return {};
    ended_ = true;
    if (!utf8.empty())
        sink_.Send(Encoded(utf8));
    sink_.Close();
    return utf8;
}
