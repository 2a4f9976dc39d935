#include "exec/RunOutcome.h"

#include <cstdio>
#include <ctime>

namespace {

constexpr const char* kDot = " \xc2\xb7 "; // " · "

std::string Seconds(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, seconds < 10 ? "%.2f" : "%.1f", seconds);
    return std::string(text) + " 秒";
}

// Single quotes where a blank, a quote or another character the shell reads would otherwise
// change what the line means; a copied line then runs as the run did.
std::string ShellQuoted(const std::string& argument) {
    if (!argument.empty() &&
        argument.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                   "0123456789-_./=:,+@%") == std::string::npos)
        return argument;
    std::string quoted = "'";
    for (char c : argument)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string RunOutcomeText(const RunOutcome& outcome) {
    switch (outcome.kind) {
    case RunOutcome::Kind::Ended:
        return "終了 " + std::to_string(outcome.exitCode) + kDot + Seconds(outcome.seconds) + kDot +
               outcome.endedAt;
    case RunOutcome::Kind::Cancelled:
        return "中止" + std::string(kDot) + Seconds(outcome.seconds) + kDot + outcome.endedAt;
    case RunOutcome::Kind::StartFailed:
        return "起動失敗" + std::string(kDot) + outcome.endedAt;
    case RunOutcome::Kind::Aborted:
        return "中断" + std::string(kDot) + Seconds(outcome.seconds) + kDot + outcome.endedAt;
    case RunOutcome::Kind::Console:
        return "端末で実行" + std::string(kDot) + outcome.endedAt;
    }
    return {};
}

std::string RunOutcomeDetails(const RunOutcome& outcome) {
    std::string line;
    for (const std::string& argument : outcome.arguments)
        line += (line.empty() ? "" : " ") + ShellQuoted(argument);
    return line + "\n作業フォルダ: " + outcome.folder;
}

bool RunOutcomeWarns(const RunOutcome& outcome) {
    return outcome.kind == RunOutcome::Kind::Cancelled ||
           outcome.kind == RunOutcome::Kind::Aborted ||
           outcome.kind == RunOutcome::Kind::StartFailed ||
           (outcome.kind == RunOutcome::Kind::Ended && outcome.exitCode != 0);
}

std::string ClockNow() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[16];
    std::strftime(text, sizeof text, "%H:%M:%S", &local);
    return text;
}
