#include "exec/TestReport.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace {

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool StartsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    return text;
}

std::string_view Trim(std::string_view text) {
    text = TrimLeft(text);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// The number at the start of text, its digits taken off; nothing when it does not start with one.
std::optional<int> TakeNumber(std::string_view& text) {
    size_t n = 0;
    while (n < text.size() && n < 9 && IsDigit(text[n]))
        ++n;
    if (n == 0)
        return std::nullopt;
    const int value = std::stoi(std::string(text.substr(0, n)));
    text.remove_prefix(n);
    return value;
}

// The number after the first occurrence of head in line.
std::optional<int> NumberAfter(std::string_view line, std::string_view head) {
    const size_t at = line.find(head);
    if (at == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = line.substr(at + head.size());
    return TakeNumber(rest);
}

bool IsIdentifier(std::string_view text) {
    if (text.empty() || IsDigit(text.front()))
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.';
    });
}

// The lines of a tip, as a block: the blanks all of them begin with are taken off.
std::string Block(const std::vector<std::string_view>& lines) {
    size_t common = std::string_view::npos;
    for (std::string_view line : lines)
        if (!Trim(line).empty())
            common = std::min(common, line.size() - TrimLeft(line).size());
    std::string text;
    for (std::string_view line : lines) {
        if (!text.empty())
            text += '\n';
        if (!Trim(line).empty())
            text += line.substr(common);
    }
    return text;
}

// ---- TAP ----

// "ok 3 - name # SKIP why": the test's number, name and directive (its first word).
struct TapLine {
    bool ok = false;
    int number = 0;
    std::string name;
    std::string directive;
};

std::optional<TapLine> ReadTapLine(std::string_view line) {
    TapLine tap;
    if (StartsWith(line, "ok ")) {
        tap.ok = true;
        line.remove_prefix(3);
    } else if (StartsWith(line, "not ok ")) {
        line.remove_prefix(7);
    } else {
        return std::nullopt; // prove's own "ok" after a file's lines has no number
    }
    const std::optional<int> number = TakeNumber(line);
    if (!number)
        return std::nullopt;
    tap.number = *number;
    // The directive follows the first '#' that is not escaped (Test::More writes \# in names).
    size_t hash = 0;
    while ((hash = line.find('#', hash)) != std::string_view::npos && hash > 0 &&
           line[hash - 1] == '\\')
        ++hash;
    std::string_view name = line.substr(0, hash);
    if (hash != std::string_view::npos) {
        std::string_view directive = TrimLeft(line.substr(hash + 1));
        const size_t end = std::min(directive.find(' '), directive.size());
        for (char c : directive.substr(0, end))
            tap.directive += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    name = Trim(name);
    if (StartsWith(name, "- "))
        name.remove_prefix(2);
    tap.name = std::string(Trim(name));
    return tap;
}

void CountTap(std::string_view out, TestCounts& counts) {
    int planned = -1;
    bool anyTest = false, skippedFile = false;
    std::optional<int> summaryTests, summaryFailed;
    int summarySkipped = 0;
    std::vector<std::string> failedNumbers;
    for (std::string_view line : Lines(out)) {
        // prove's summary: what is left to count from when -v is not given.
        if (const auto tests = NumberAfter(line, ", Tests="); tests && StartsWith(line, "Files="))
            summaryTests = tests;
        if (const auto failed = NumberAfter(line, "Failed ");
            failed && line.find(" subtests") != std::string_view::npos)
            summaryFailed = failed;
        if (const auto skipped = NumberAfter(line, "(less "))
            summarySkipped = *skipped;
        if (StartsWith(TrimLeft(line), "Failed test") && line.find(':') != std::string_view::npos) {
            std::string_view list = line.substr(line.find(':') + 1);
            while (!(list = TrimLeft(list)).empty()) {
                if (const auto n = TakeNumber(list))
                    failedNumbers.push_back("テスト " + std::to_string(*n));
                else
                    list.remove_prefix(1);
            }
        }
        if (line.find(" .. skipped: ") != std::string_view::npos)
            skippedFile = true;

        if (StartsWith(line, "1..")) {
            std::string_view rest = line.substr(3);
            if (const auto n = TakeNumber(rest))
                planned = *n;
            continue;
        }
        const std::optional<TapLine> tap = ReadTapLine(line);
        if (!tap)
            continue;
        anyTest = true;
        if (tap->directive.rfind("SKIP", 0) == 0 || tap->directive.rfind("TODO", 0) == 0)
            ++counts.skipped;
        else if (tap->ok)
            ++counts.passed;
        else {
            ++counts.failed;
            counts.failing.push_back(tap->name.empty() ? "テスト " + std::to_string(tap->number)
                                                       : tap->name);
        }
    }
    if (anyTest) {
        const int ran = counts.passed + counts.failed + counts.skipped;
        if (planned > ran) {
            counts.failed += planned - ran;
            counts.failing.push_back("実行されなかった " + std::to_string(planned - ran) +
                                     " 件 (計画 " + std::to_string(planned) + " 件)");
        }
        return;
    }
    if (summaryTests) {
        counts.failed = summaryFailed.value_or(0);
        counts.skipped = summarySkipped;
        counts.passed =
            std::max(0, *summaryTests - static_cast<int>(failedNumbers.size()) - summarySkipped);
        counts.failing = failedNumbers;
        if (counts.failing.empty() && counts.failed != 0)
            counts.failing.push_back("テスト " + std::to_string(counts.failed) + " 件");
    }
    if (skippedFile && counts.passed + counts.failed + counts.skipped == 0)
        counts.skipped = 1; // a file that skipped itself whole
}

// "Failed test 'name'" then "at FILE line N." (or both on one line for a test without a name).
void TapEntries(std::string_view err, std::vector<TestEntry>& entries) {
    std::optional<TestEntry> open;
    std::vector<std::string_view> tip;
    bool located = false;
    const auto close = [&] {
        if (open) {
            open->tip = Block(tip);
            entries.push_back(std::move(*open));
        }
        open.reset();
        tip.clear();
    };
    for (std::string_view line : Lines(err)) {
        if (!StartsWith(line, "#")) {
            close();
            if (!Trim(line).empty())
                entries.push_back({std::string(line), {}});
            continue;
        }
        const std::string_view body = Trim(line.substr(1));
        if (StartsWith(body, "Failed test") || StartsWith(body, "Failed (TODO) test")) {
            close();
            open = TestEntry{std::string(body), {}};
            located = body.find(" at ") != std::string_view::npos &&
                      body.find(" line ") != std::string_view::npos;
            continue;
        }
        if (!open || StartsWith(body, "Looks like ")) {
            close();
            continue;
        }
        if (!located && StartsWith(body, "at ") && body.find(" line ") != std::string_view::npos) {
            open->text += " " + std::string(body);
            located = true;
            continue;
        }
        tip.push_back(line.substr(1));
    }
    close();
}

// ---- pytest ----

bool IsBanner(std::string_view line, char mark) {
    return line.size() >= 3 && line.front() == mark && line.back() == mark &&
           line.find(' ') != std::string_view::npos;
}

std::string_view BannerTitle(std::string_view line, char mark) {
    while (!line.empty() && (line.front() == mark || line.front() == ' '))
        line.remove_prefix(1);
    while (!line.empty() && (line.back() == mark || line.back() == ' '))
        line.remove_suffix(1);
    return line;
}

// "2 failed, 12 passed, 1 skipped in 0.12s" (also " (0:01:02)" after it); "no tests ran in
// 0.01s". False, and counts untouched, for any other line.
bool ReadPytestSummary(std::string_view line, TestCounts& counts) {
    const size_t in = line.rfind(" in ");
    if (in == std::string_view::npos)
        return false;
    std::string_view time = line.substr(in + 4);
    if (!TakeNumber(time) || time.empty())
        return false;
    std::string_view parts = line.substr(0, in);
    if (parts == "no tests ran") {
        counts = {};
        return true;
    }
    TestCounts read;
    while (!parts.empty()) {
        const std::optional<int> n = TakeNumber(parts);
        if (!n || !StartsWith(parts, " "))
            return false;
        parts.remove_prefix(1);
        const size_t comma = std::min(parts.find(", "), parts.size());
        const std::string_view word = parts.substr(0, comma);
        parts.remove_prefix(std::min(comma + 2, parts.size()));
        if (word == "passed" || word == "xpassed")
            read.passed += *n;
        else if (word == "failed" || word == "error" || word == "errors")
            read.failed += *n;
        else if (word == "skipped" || word == "xfailed")
            read.skipped += *n;
        else if (word != "deselected" && word != "warning" && word != "warnings" && word != "rerun")
            return false;
    }
    counts.passed = read.passed;
    counts.failed = read.failed;
    counts.skipped = read.skipped;
    return true;
}

struct Location {
    std::string file;
    std::string line;
    std::string what; // the exception's name, empty for a frame ("in f", or nothing)
};

// "tests/test_a.py:12: AssertionError", "lib/m.py:6: in check", "tests/test_a.py:16: "
std::optional<Location> ReadLocation(std::string_view line) {
    if (line.empty() || line.front() == ' ' || line.front() == '>')
        return std::nullopt;
    for (size_t colon = line.find(':'); colon != std::string_view::npos;
         colon = line.find(':', colon + 1)) {
        std::string_view rest = line.substr(colon + 1);
        const std::string_view before = rest;
        if (!TakeNumber(rest) || !StartsWith(rest, ":"))
            continue;
        const std::string_view number = before.substr(0, before.size() - rest.size());
        rest.remove_prefix(1);
        const std::string_view message = Trim(rest);
        if (!rest.empty() && rest.front() != ' ')
            continue;
        if (!message.empty() && !IsIdentifier(message) && !StartsWith(message, "in "))
            continue;
        return Location{std::string(line.substr(0, colon)), std::string(number),
                        IsIdentifier(message) ? std::string(message) : std::string()};
    }
    return std::nullopt;
}

// E   File "/x/tests/test_bad.py", line 3
std::optional<Location> ReadFileLine(std::string_view e) {
    e = TrimLeft(e);
    if (!StartsWith(e, "File \""))
        return std::nullopt;
    const size_t close = e.find("\", line ", 6);
    if (close == std::string_view::npos)
        return std::nullopt;
    std::string_view rest = e.substr(close + 8);
    const std::string_view before = rest;
    if (!TakeNumber(rest))
        return std::nullopt;
    return Location{std::string(e.substr(6, close - 6)),
                    std::string(before.substr(0, before.size() - rest.size())),
                    {}};
}

// The exception an E line names: "AssertionError: ..." or a bare "SyntaxError".
std::string ErrorName(std::string_view e) {
    e = TrimLeft(e);
    const std::string_view name = e.substr(0, std::min(e.find(':'), e.size()));
    return IsIdentifier(name) && name.find(' ') == std::string_view::npos ? std::string(name)
                                                                          : std::string();
}

struct Section {
    std::string name;
    std::optional<Location> last;
    std::optional<Location> syntax;
    std::vector<std::string_view> eLines;
    bool captured = false; // inside "Captured stdout call": the test's own printing
};

TestEntry EntryOf(const Section& s) {
    const std::optional<Location>& at = s.syntax ? s.syntax : s.last;
    TestEntry entry;
    entry.tip = Block(s.eLines);
    if (!at) {
        entry.text = s.name;
        return entry;
    }
    std::string what = at->what;
    for (auto e = s.eLines.rbegin(); what.empty() && e != s.eLines.rend(); ++e)
        what = ErrorName(*e);
    entry.text =
        at->file + ":" + at->line + ": " + (what.empty() ? "Error" : what) + " (" + s.name + ")";
    return entry;
}

} // namespace

TestReport ReadTapReport(std::string_view out, std::string_view err) {
    TestReport report;
    CountTap(out, report.counts);
    TapEntries(err, report.entries);
    return report;
}

TestReport ReadPytestReport(std::string_view out, std::string_view err) {
    TestReport report;
    std::vector<std::string> failing, sectionNames;
    std::optional<Section> section;
    bool inSections = false;
    const auto close = [&] {
        if (section) {
            report.entries.push_back(EntryOf(*section));
            sectionNames.push_back(section->name);
        }
        section.reset();
    };
    for (std::string_view line : Lines(out)) {
        if (IsBanner(line, '=')) {
            close();
            const std::string_view title = BannerTitle(line, '=');
            inSections = title == "FAILURES" || title == "ERRORS";
            ReadPytestSummary(title, report.counts);
            continue;
        }
        if (!inSections) {
            // -q prints its summary without the banner.
            ReadPytestSummary(line, report.counts);
            for (std::string_view kind : {"FAILED ", "ERROR "})
                if (StartsWith(line, kind)) {
                    std::string_view id = line.substr(kind.size());
                    id = id.substr(0, id.find(" - "));
                    failing.emplace_back(id);
                }
            continue;
        }
        if (IsBanner(line, '_') && line.find("_ _") == std::string_view::npos) {
            close();
            section = Section{std::string(BannerTitle(line, '_')), {}, {}, {}, false};
            continue;
        }
        if (!section || section->captured)
            continue;
        if (IsBanner(line, '-') && line.find(" Captured ") != std::string_view::npos) {
            section->captured = true;
            continue;
        }
        if (line == "E" || StartsWith(line, "E ")) {
            const std::string_view e = line.substr(1);
            section->eLines.push_back(e);
            if (const std::optional<Location> at = ReadFileLine(e))
                section->syntax = at;
            continue;
        }
        if (const std::optional<Location> at = ReadLocation(line))
            section->last = at;
    }
    close();
    report.counts.failing = failing.empty() ? sectionNames : failing;
    for (std::string_view line : Lines(err)) {
        if (line.find("No module named pytest") != std::string_view::npos)
            report.runnerMissing = true;
        if (!Trim(line).empty())
            report.entries.push_back({std::string(line), {}});
    }
    return report;
}

TestReport ReadTestReport(TestRunner runner, std::string_view out, std::string_view err) {
    switch (runner) {
    case TestRunner::Tap:
        return ReadTapReport(out, err);
    case TestRunner::Pytest:
        return ReadPytestReport(out, err);
    case TestRunner::None:
        break;
    }
    return {};
}
