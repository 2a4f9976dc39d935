// Every ready definition against its real interpreter: a small failing program of two or three
// files in a folder whose name holds a blank and an é, run as F9 runs a modified script (from a
// hidden copy beside it, in its folder). Each error line is followed as the error list follows
// it, and the table of each language says where the lines lead, in F4 order, and which lines
// lead nowhere.
#include "config/Kvexilconfig.h"
#include "config/Seedlangs.h"
#include "exec/Exec.h"
#include "exec/Kexecproc.h"
#include "platform/FileFacts.h"
#include "platform/Launcher.h"
#include "regex/Kregexp.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/logic/ErrorLines.h"
#include "windows/logic/ErrorTarget.h"
#include "windows/logic/TagJump.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace {

struct Source {
    const char* path; // in the project folder; the first is the script that runs
    const char* text;
};

// Where the next error line that holds fragment leads. file is in the project folder; nullptr:
// the line leads nowhere; beginning with '*': a file outside it whose path ends with the rest,
// at whatever line this interpreter's version has there (line 0).
struct Jump {
    const char* fragment;
    const char* file;
    int line;
};
constexpr const char* kNowhere = nullptr;

struct Corpus {
    const char* language; // the ready definition's file name
    std::vector<Source> files;
    std::vector<Jump> jumps;
};

void PrintTo(const Corpus& c, std::ostream* os) {
    *os << c.language;
}

const Corpus kCorpus[] = {
    {"perl",
     {{"main.pl", R"(use strict;
use warnings;
use FindBin;
use lib "$FindBin::Bin/lib";
use MyMod;
require "./helper.pl";
MyMod::careful("x");
print helper(), "\n";
eval "1;\ndie 'in eval'";
print STDERR $@;
eval { require Bad; 1 } or print STDERR $@;
MyMod::trace(1);
MyMod::risky(-1);
)"},
      {"lib/MyMod.pm", R"(package MyMod;
use strict;
use warnings;
use Carp;
sub risky {
    my ($v) = @_;
    die "risky got a bad value: $v" if $v < 0;
}
sub careful { warn "careful with $_[0]" }
sub trace { Carp::cluck("traced") }
1;
)"},
      {"lib/Bad.pm", "package Bad;\nsub f {\n    my $x = 1\n    return $x;\n}\n1;\n"},
      {"helper.pl",
       "use strict;\nuse warnings;\nsub helper {\n    my $x;\n    return \"h\" . $x;\n}\n1;\n"}},
     {
         {"careful with x at", "lib/MyMod.pm", 9},
         {"at ./helper.pl line 5.", "helper.pl", 5},
         {"in eval at (eval ", kNowhere, 0},
         {"syntax error at", "lib/Bad.pm", 4},
         {"Compilation failed in require", "main.pl", 11},
         {"traced at", "lib/MyMod.pm", 10},
         {"MyMod::trace(1) called at", "main.pl", 12},
         {"risky got a bad value: -1", "lib/MyMod.pm", 7},
     }},
    {"python",
     {{"main.py", R"(import sys
import traceback
import warnings
import util

warnings.warn("careful")
try:
    util.parse("{x")
except ValueError as e:
    print("bad json:", e, file=sys.stderr)
try:
    exec("x = 1\ny = z\n")
except NameError:
    traceback.print_exc()
util.parse("[1, 2")
)"},
      {"util.py", "import json\n\n\ndef parse(text):\n    return json.loads(text)\n"}},
     {
         {"UserWarning: careful", "main.py", 6},
         {"bad json: Expecting property name", kNowhere, 0},
         {"line 12, in <module>", "main.py", 12},
         {"File \"<string>\", line 2", kNowhere, 0},
         {"line 15, in <module>", "main.py", 15},
         {"in parse", "util.py", 5},
         {"json/__init__.py", "*/json/__init__.py", 0},
         {"json/decoder.py", "*/json/decoder.py", 0},
         {"json/decoder.py", "*/json/decoder.py", 0},
         {"delimiter: line 1 column 6", kNowhere, 0},
     }},
    {"php",
     {{"main.php", R"(<?php
require __DIR__ . '/lib.php';
require 'evalstr.php';

function run() {
    return parse("one");
}
run();
)"},
      {"lib.php", R"(<?php
function parse(string $s): array {
    $parts = explode(",", $s);
    if (count($parts) < 2) {
        throw new InvalidArgumentException("need two parts");
    }
    return $parts;
}
)"},
      {"evalstr.php", R"(<?php
$r = eval('$a = 1;' . "\n" . 'return $a + $undefined;');
$s = strlen(null);
try {
    assert(1 === 2);
} catch (AssertionError $e) {
    fwrite(STDERR, $e . "\n");
}
eval('function g() { throw new Exception("from eval"); }');
try {
    g();
} catch (Exception $e) {
    fwrite(STDERR, $e . "\n");
}
)"}},
     {
         {"Undefined variable $undefined", "evalstr.php", 2},   // eval()'d code on line 2
         {"strlen(): Passing null", "evalstr.php", 3},          // shown: every error
         {"AssertionError: assert(1 === 2)", "evalstr.php", 5}, // active assertions
         {"#0 ", "evalstr.php", 5},
         {"#1 ", "main.php", 3},
         {"#2 {main}", kNowhere, 0},
         {"Exception: from eval", "evalstr.php", 9},
         {"g()", "evalstr.php", 11},
         {"require(", "main.php", 3},
         {"need two parts", "lib.php", 5},
         {"parse()", "main.php", 6},
         {"run()", "main.php", 8},
         {"thrown in", "lib.php", 5},
     }},
    {"node",
     {{"main.mjs", R"(import { divide } from './calc.js';
import { boom } from './sub dir/mod.mjs';

function run(code) {
  return eval(code);
}
try {
  run('1 +\n  nothere()');
} catch (e) {
  console.error(e.stack);
}
try {
  boom();
} catch (e) {
  console.error(e.stack);
}
console.warn('half', divide(1, 2));
divide(1, 0);
)"},
      {"calc.js", R"(function divide(a, b) {
  if (b === 0) throw new RangeError('division by zero');
  return a / b;
}
module.exports = { divide };
)"},
      {"sub dir/mod.mjs", "export function boom() {\n  throw new TypeError('boom');\n}\n"}},
     {
         {"at eval (eval at run (file://", "main.mjs", 5},
         {"at run (file://", "main.mjs", 5},
         {"mjs:8:3", "main.mjs", 8},
         {"(node:internal/", kNowhere, 0},
         {"at boom (file://", "sub dir/mod.mjs", 2}, // sub%20dir
         {"mjs:13:3", "main.mjs", 13},
         {"half 0.5", kNowhere, 0},
         {"calc.js:2", "calc.js", 2}, // above the source line: CommonJS names a path
         {"at divide (", "calc.js", 2},
         {"mjs:18:1", "main.mjs", 18},
     }},
    {"ruby",
     {{"main.rb", R"(require_relative 'shapes'

def run
  eval("x = 1\nundefined_thing")
rescue NameError => e
  warn e.full_message(highlight: false)
end

run
begin
  require_relative 'bad'
rescue SyntaxError => e
  warn e.full_message(highlight: false)
end
Shapes.area(-1)
)"},
      {"shapes.rb", R"(require 'logger'

module Shapes
  def self.area(r)
    Logger.new($stderr).warn("radius #{r}")
    raise ArgumentError, "negative radius" if r < 0
    3 * r * r
  end
end
)"},
      {"bad.rb", "def area(\n  1 +\nend\n"}},
     {
         {"(eval):2:in", kNowhere, 0},
         {"rb:4:in", "main.rb", 4},
         {"rb:4:in", "main.rb", 4},
         {"rb:9:in", "main.rb", 9},
         {"bad.rb:2: syntax error", "bad.rb", 2}, // the required file, not the require
         {"rb:11:in", "main.rb", 11},
         {"WARN -- : radius -1", kNowhere, 0},
         {"negative radius", "shapes.rb", 6},
         {"rb:15:in", "main.rb", 15},
     }},
    {"bash",
     {{"main.sh", R"(source ./lib.sh
greet you
x=1

eval 'y=2
bad_cmd_in_eval'
eval "if then"
cd "/nonexistent dir"
echo $(( 1 + ))
)"},
      {"lib.sh", "greet() {\n    echo \"hi $1\"\n    no_such_cmd_here\n}\n"}},
     {
         {"./lib.sh: line 3:", "lib.sh", 3},
         {"bad_cmd_in_eval", "main.sh", 7},
         {"eval: line 7: syntax error", "main.sh", 7},
         {"eval: line 7: `if then'", "main.sh", 7},
         {"cd: /nonexistent dir", "main.sh", 8},
         {"operand expected", "main.sh", 9},
     }},
};

// Debian's interpreter where it is, so a Python of the user's own (pyenv) does not stand in.
std::string Interpreter(const std::string& program) {
    const std::string debian = "/usr/bin/" + program;
    return FileExists(debian) ? debian : FindOnPath(program);
}

class ErrorCorpus : public ::testing::TestWithParam<Corpus> {
protected:
    void SetUp() override {
        ScriptedMessages loading;
        ASSERT_TRUE(RegExpLoad(loading, VEXIL_BIN_DIR));
        std::error_code ec;
        oldFolder_ = std::filesystem::current_path(ec);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::current_path(oldFolder_, ec);
        RegExpUnload();
    }
    std::filesystem::path oldFolder_;
};

} // namespace

TEST_P(ErrorCorpus, EveryErrorLineLeadsWhereItsTableSays) {
    const Corpus& c = GetParam();
    // The definition as a first start writes it and the next start reads it: Perl's from the
    // installed file, the others from the seeding.
    TempDir defs;
    std::string defPath;
    if (std::string(c.language) == "perl") {
        defPath = defs.File("perl.def");
        std::filesystem::copy_file(VEXIL_BIN_DIR "/default-defs/perl.def", defPath);
    } else {
        SeedLanguages(defs.Path() + "/", Interpreter);
        defPath = defs.File(std::string(c.language) + ".def");
        if (!FileExists(defPath))
            GTEST_SKIP() << c.language
                         << "'s interpreter is not installed here: its error lines were not tried";
    }
    ScriptedMessages messages;
    KVexilConfig config(defs.Path(), messages);
    config.Languages.push_back(std::make_unique<KDefConfig>(defPath));
    config.Current = config.Languages.back().get();
    if (config.Current->Name == "Perl") {
        config.Current->ExePath = Interpreter("perl");
        ASSERT_FALSE(config.Current->ExePath.empty());
    }

    TempDir dir;
    const std::string project = dir.File("proj dir é");
    for (const Source& s : c.files) {
        const std::string path = project + "/" + s.path;
        std::filesystem::create_directories(ExtractFileDir(path));
        WriteFileBytes(path, s.text);
    }
    const std::string script = project + "/" + c.files.front().path;
    // The copy a run of the modified script executes, in the script's folder, which is the
    // run's folder.
    const std::string copy =
        MakeUniqueFile(RunCopyPlace(script, "", config.SettingsDir, config.Current->TempFile));
    ASSERT_EQ(ExtractFileDir(copy), project);
    WriteFileBytes(copy, c.files.front().text);
    config.LastRunCopy = copy;
    std::filesystem::current_path(project);
    KExecProc proc(RunCommandLine(config.Current->ExePath, config.Current->Option, copy, ""),
                   messages);
    proc.Run();
    ErrorLines lines;
    lines.Load(proc.StdErr().ToString(), TextCode::Utf8);
    std::filesystem::current_path(oldFolder_);
    EXPECT_EQ(messages.Count(), 0u);

    std::string all;
    for (std::size_t i = 0; i < lines.Count(); ++i)
        all += lines.LineUtf8(i) + "\n";
    SCOPED_TRACE("standard error:\n" + all);
    std::size_t next = 0; // the row of the table the next lines are held against
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        const std::string entry = lines.LineUtf8(i);
        const std::optional<ErrorTarget> target = ResolveErrorEntry(entry, config, project, script);
        // F4 stops exactly where the jump leads.
        EXPECT_EQ(TagJumpLineNumber(entry, config), target ? target->line : -1) << entry;
        const Jump* row = next < c.jumps.size() ? &c.jumps[next] : nullptr;
        const bool held = row && entry.find(row->fragment) != std::string::npos;
        if (!target) {
            if (held && !row->file)
                ++next;
            continue;
        }
        ASSERT_TRUE(row && row->file) << "leads to " << target->file << ":" << target->line
                                      << " but no such jump is listed next: " << entry;
        EXPECT_TRUE(held) << "expected a line with \"" << row->fragment << "\": " << entry;
        const std::string expected = row->file[0] == '*' ? "" : project + "/" + row->file;
        if (expected.empty()) {
            const std::string tail = row->file + 1;
            EXPECT_EQ(target->file.substr(target->file.size() -
                                          std::min(target->file.size(), tail.size())),
                      tail)
                << entry;
            EXPECT_TRUE(FileExists(target->file)) << target->file;
            EXPECT_GT(target->line, 0) << entry;
        } else {
            EXPECT_EQ(target->file, expected) << entry;
            EXPECT_EQ(target->line, row->line) << entry;
        }
        ++next;
    }
    EXPECT_EQ(next, c.jumps.size())
        << "not found in order: " << (next < c.jumps.size() ? c.jumps[next].fragment : "");

    // The marks of each file are the lines its own jumps lead to.
    const std::vector<ErrorMark> marks = ScriptErrorMarks(lines, script, config, project);
    std::vector<long long> scriptLines;
    for (const Jump& j : c.jumps)
        if (j.file && script == project + "/" + j.file)
            scriptLines.push_back(j.line);
    std::sort(scriptLines.begin(), scriptLines.end());
    scriptLines.erase(std::unique(scriptLines.begin(), scriptLines.end()), scriptLines.end());
    std::vector<long long> marked;
    for (const ErrorMark& m : marks)
        marked.push_back(m.line);
    EXPECT_EQ(marked, scriptLines);
}

INSTANTIATE_TEST_SUITE_P(Interpreters, ErrorCorpus, ::testing::ValuesIn(kCorpus),
                         [](const auto& info) { return std::string(info.param.language); });

// A TempDir relative to the run's folder makes a relative copy name, and the interpreter names
// the copy as it was given or as a full path: both lead to the script.
TEST(ErrorCorpusCopy, ACopyInARelativeTemporaryFolderLeadsBackToTheScript) {
    ScriptedMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    TempDir dir;
    const std::string project = dir.File("proj dir é");
    std::filesystem::create_directories(project + "/tmp dir");
    KVexilConfig config(dir.Path(), messages);
    config.Languages.push_back(
        std::make_unique<KDefConfig>(VEXIL_BIN_DIR "/default-defs/perl.def"));
    config.Current = config.Languages.back().get();
    config.Current->TempDir = "tmp dir";
    config.Current->ExePath = Interpreter("perl");
    const std::string script = project + "/main.pl";
    WriteFileBytes(script, "\nwarn 'here';\n");

    const std::filesystem::path old = std::filesystem::current_path();
    std::filesystem::current_path(project);
    // As a run of a modified script makes it.
    const std::string copy = MakeUniqueFile(RunCopyPlace(
        script, config.Current->TempDir, config.SettingsDir, config.Current->TempFile));
    ASSERT_EQ(copy.rfind("tmp dir/vexil-", 0), 0u) << copy;
    WriteFileBytes(copy, "\nwarn 'here';\n");
    config.LastRunCopy = copy;
    KExecProc proc(RunCommandLine(config.Current->ExePath, config.Current->Option, copy, ""),
                   messages);
    proc.Run();
    std::filesystem::current_path(old);
    const std::string err = proc.StdErr().ToString();
    ASSERT_EQ(err, "here at " + copy + " line 2.\n");

    for (const std::string& entry :
         {err.substr(0, err.size() - 1), "here at " + project + "/" + copy + " line 2.",
          "here at ./" + copy + " line 2."}) {
        const std::optional<ErrorTarget> target = ResolveErrorEntry(entry, config, project, script);
        ASSERT_TRUE(target) << entry;
        EXPECT_EQ(target->file, script) << entry;
        EXPECT_EQ(target->line, 2);
    }
    RegExpUnload();
}
