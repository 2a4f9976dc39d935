// F9 end to end in the main window (offscreen): the key press, the run of a script that writes
// 1,000,000 lines (about 70 MB) to standard output and 250,000 lines to standard error, the
// result shown and painted with the error panel filled. Against the sum of its floors, each
// measured in the same run: the same perl writing into /dev/null, a bare QScintilla set and
// painted with the same text, a QListView showing the same error lines.
//
//   bench_run time               the timings and a/b
//   bench_run memory-f9          peak resident kB of one F9 run in the main window
//   bench_run memory-scintilla   peak resident kB of a bare QScintilla holding the output
//   bench_run memory-huge MIB    peak memory of F9 on MIB mebibytes of output (by hand)
//   BENCH_DEBUG=1 bench_run memory-f9 / memory-huge: resident memory over time, and by mapping
//   bench_run latency            F9 on a one-line script against a perl spawn and a repaint
//   bench_run first-output       from a running script's first write to that line painted, against
//                                the same line read from a pipe into a bare QScintilla and painted
//   bench_run terminal           the one-line latency and the 1,000,000-line run in the terminal
//                                mode beside the same runs through the pipe

#include "shell/Main.h"
#include "Quiet.h"
#include "Timing.h"
#include "encoding/Codeconv.h"
#include "support/TempDir.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"

#include <QApplication>
#include <QListView>
#include <QStringListModel>
#include <QTest>
#include <Qsci/qsciscintilla.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr int kRounds = 3;

// The ASCII variant, or the UTF-8 one, whose every output line holds Japanese and an accented
// letter: 日本語 café.
bool gUtf8 = false;
constexpr const char* kUtf8Words = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e caf\xc3\xa9";

std::string Script() {
    return std::string("for my $i (0 .. 999999) { print \"record $i\\tvalue=$i\\tstatus=ok\\t"
                       "comment=") +
           (gUtf8 ? kUtf8Words : "plain ascii") +
           " text of the run\\n\" }\n"
           "for my $i (1 .. 250000) { print STDERR \"syntax error at /home/user/project/run.pl "
           "line $i, near \\\"}\\\"\\n\" }\n";
}

std::string Lines(int from, int to, const std::function<std::string(int)>& line) {
    std::string text;
    for (int i = from; i <= to; ++i)
        text += line(i);
    return text;
}

std::string Output() {
    const std::string words = gUtf8 ? kUtf8Words : "plain ascii";
    return Lines(0, 999999, [&](int i) {
        std::string n = std::to_string(i);
        return "record " + n + "\tvalue=" + n + "\tstatus=ok\tcomment=" + words +
               " text of the run\n";
    });
}

std::string Errors() {
    return Lines(1, 250000, [](int i) {
        return "syntax error at /home/user/project/run.pl line " + std::to_string(i) +
               ", near \"}\"\n";
    });
}

long PeakKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return 0;
}

// Resident memory every few milliseconds until Stop, printed with BENCH_DEBUG set: to tell
// when a peak came.
class RssTimeline {
public:
    RssTimeline()
        : debug_(std::getenv("BENCH_DEBUG") != nullptr), sampler_([this] {
              const auto start = std::chrono::steady_clock::now();
              while (debug_ && !done_) {
                  std::ifstream status("/proc/self/status");
                  std::string line;
                  Sample sample{
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - start)
                          .count()};
                  while (std::getline(status, line))
                      if (line.rfind("VmRSS:", 0) == 0)
                          sample.rss = std::atol(line.c_str() + 6);
                      else if (line.rfind("RssAnon:", 0) == 0)
                          sample.anonymous = std::atol(line.c_str() + 8);
                  samples_.push_back(sample);
                  std::this_thread::sleep_for(std::chrono::milliseconds(2));
              }
          }) {}
    ~RssTimeline() { Stop(); }
    void Stop() {
        done_ = true;
        if (sampler_.joinable())
            sampler_.join();
        // Each local top, so a short spike is not lost between printed lines.
        for (std::size_t i = 0; i < samples_.size(); i += 25) {
            const auto top = std::max_element(
                samples_.begin() + i, samples_.begin() + std::min(i + 25, samples_.size()),
                [](const Sample& a, const Sample& b) { return a.rss < b.rss; });
            std::fprintf(stderr, "%.3f s %ld MB, %ld MB of them anonymous\n", top->seconds,
                         top->rss / 1024, top->anonymous / 1024);
        }
        samples_.clear();
        if (debug_) {
            // Where the resident pages are now, by mapping.
            std::ifstream smaps("/proc/self/smaps");
            std::map<std::string, long> rss;
            std::string line, name;
            while (std::getline(smaps, line)) {
                if (!line.empty() && std::isxdigit(static_cast<unsigned char>(line[0])) &&
                    line.find('-') < 16) {
                    const auto slash = line.find_first_of("/[");
                    name = slash == std::string::npos ? "(anonymous)" : line.substr(slash);
                } else if (line.rfind("Rss:", 0) == 0) {
                    rss[name] += std::atol(line.c_str() + 4);
                }
            }
            std::vector<std::pair<long, std::string>> top;
            for (auto& [n, kb] : rss)
                top.emplace_back(kb, n);
            std::sort(top.rbegin(), top.rend());
            for (std::size_t i = 0; i < top.size() && i < 12; ++i)
                std::fprintf(stderr, "  %6ld kB %s\n", top[i].first, top[i].second.c_str());
        }
        debug_ = false;
    }

private:
    struct Sample {
        double seconds;
        long rss = 0, anonymous = 0;
    };
    bool debug_;
    std::atomic<bool> done_{false};
    std::vector<Sample> samples_;
    std::thread sampler_;
};

// A program folder with Perl and the run-time libraries.
struct ProgramFolder {
    TempDir dir;
    ProgramFolder() {
        std::filesystem::create_directories(dir.File("defs"));
        WriteFileBytes(dir.File("defs/perl.def"), "[Language]\nName=Perl\nExt=pl\n");
        WriteFileBytes(dir.File("script.pl"), Script());
    }
};

struct F9 {
    ProgramFolder folder;
    QuietHost quiet;
    TFMain main{folder.dir.Path(),
                MainServices{&quiet.messages, &quiet.dialogs, &quiet.clipboard, &quiet.launcher}};
    F9() {
        main.InitialSetup("", VEXIL_BIN_DIR "/");
        main.resize(800, 600);
        main.show();
        main.activateWindow();
        if (!QTest::qWaitForWindowActive(&main))
            std::fprintf(stderr, "the main window did not become active\n");
        // The script in the code of its variant, so the run copy is written in it.
        main.Script().Code = gUtf8 ? kCodeUtf8 : kCodeSjis;
        main.Script().Editor().SetWholeUtf8(Script());
    }
    double Press() {
        return Seconds([&] {
            QTest::keyClick(&main, Qt::Key_F9);
            main.grab();
        });
    }
    bool Ran() { return main.StdError().Count() == 250000 && main.Runs().LastExitCode() == 0; }
};

double PerlIntoDevNull(const std::string& script) {
    return Seconds([&] {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"/usr/bin/perl", script.c_str(), nullptr};
        pid_t pid;
        posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        waitpid(pid, nullptr, 0);
    });
}

// A bare QScintilla set with the text and painted once.
void ShowInScintilla(const std::string& text) {
    QsciScintilla editor;
    editor.setUtf8(true);
    editor.resize(800, 440);
    editor.show();
    editor.SendScintilla(QsciScintillaBase::SCI_SETTEXT, 0UL, text.c_str());
    editor.grab();
}

double BareList(const std::string& text) {
    return Seconds([&] {
        QListView view;
        view.setUniformItemSizes(true);
        view.resize(800, 60);
        view.show();
        QStringListModel model;
        model.setStringList(QString::fromUtf8(text).split(u'\n', Qt::SkipEmptyParts));
        view.setModel(&model);
        view.grab();
    });
}

// A script that writes one line, its own monotonic clock at the write, and then goes quiet.
constexpr const char* kStampScript =
    "use Time::HiRes qw(clock_gettime CLOCK_MONOTONIC); $| = 1;\n"
    "print clock_gettime(CLOCK_MONOTONIC), \"\\n\"; select(undef, undef, undef, 0.3);\n";

double Monotonic() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + now.tv_nsec / 1e9;
}

// Seconds from the stamp written by the child to the first paint of an editor holding it (a
// stamp taken after since: the text of an earlier round does not count).
struct FirstPaint {
    QsciScintilla& editor;
    double since, stamp = 0, painted = 0;
    QMetaObject::Connection watch;
    FirstPaint(QsciScintilla& e, double since) : editor(e), since(since) {
        watch = QObject::connect(&editor, &QsciScintillaBase::SCN_PAINTED, [this] {
            const QString text = editor.text();
            const double at = text.section(u'\n', 0, 0).toDouble();
            if (painted == 0 && text.contains(u'\n') && at > this->since) {
                painted = Monotonic();
                stamp = at;
            }
        });
    }
    ~FirstPaint() { QObject::disconnect(watch); }
    double Latency() const { return painted - stamp; }
};

// The floor: the same script's line read from a pipe as soon as poll says it came, appended to
// a bare QScintilla and painted.
double FloorFirstOutput(const std::string& script) {
    QsciScintilla editor;
    editor.setUtf8(true);
    editor.resize(800, 440);
    editor.show();
    if (!QTest::qWaitForWindowExposed(&editor))
        std::fprintf(stderr, "the bare editor was never exposed\n");
    FirstPaint first(editor, Monotonic());
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    const char* argv[] = {"/usr/bin/perl", script.c_str(), nullptr};
    pid_t pid;
    posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    char buffer[4096];
    pollfd fd{fds[0], POLLIN, 0};
    while (::poll(&fd, 1, -1) > 0) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        editor.SendScintilla(QsciScintillaBase::SCI_APPENDTEXT, static_cast<unsigned long>(n),
                             buffer);
        editor.viewport()->repaint();
    }
    ::close(fds[0]);
    waitpid(pid, nullptr, 0);
    return first.Latency();
}

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "time";
    gUtf8 = argc > 2 && std::string(argv[2]) == "utf8";

    if (mode == "memory-f9") {
        F9 f9;
        RssTimeline timeline;
        f9.Press();
        timeline.Stop();
        std::printf("%ld\n", f9.Ran() ? PeakKb() : -1);
        return 0;
    }
    if (mode == "memory-scintilla") {
        ShowInScintilla(Output());
        std::printf("%ld\n", PeakKb());
        return 0;
    }

    if (mode == "memory-huge") {
        // F9 on a script printing argv[2] MiB of 100-byte lines: peak memory, time, and what
        // the window did with it. Not part of the regular run: it needs minutes and disk.
        const long mib = argc > 2 ? std::atol(argv[2]) : 1024;
        F9 f9;
        f9.main.Script().Editor().SetWholeUtf8(
            "my $line = ('x' x 99) . \"\\n\"; print $line for 1 .. " +
            std::to_string(mib * 1024 * 1024 / 100) + ";\n");
        RssTimeline timeline;
        const double seconds = f9.Press();
        const long peak = PeakKb();
        timeline.Stop();
        std::printf("%ld MiB of output: F9 %.1f s, peak %ld MB (VmHWM), shown %s, %zu bytes "
                    "held whole\n",
                    mib, seconds, peak / 1024, f9.main.Result().IsCut() ? "cut" : "whole",
                    f9.main.Result().GetText().size());
        return 0;
    }
    if (mode == "latency") {
        // The loop users live in: F9 on a one-line script until its result is painted, against
        // the same perl spawned and waited for plus one repaint of the window.
        F9 f9;
        const std::string line = "print \"hello\\n\";\n";
        f9.main.Script().Editor().SetWholeUtf8(line);
        const std::string file = f9.folder.dir.Write("line.pl", line);
        std::vector<double> press, floor;
        for (int round = 0; round < 15; ++round) {
            press.push_back(f9.Press());
            floor.push_back(PerlIntoDevNull(file) + Seconds([&] { f9.main.grab(); }));
        }
        std::printf("F9 on a one-line script, 15 rounds, medians\n");
        std::printf("  key press to result painted                         %.1f ms\n",
                    Median(press) * 1e3);
        std::printf("  floor: perl spawned and waited for, one repaint     %.1f ms\n",
                    Median(floor) * 1e3);
        std::printf("  ratio %.2f   (target <= 2)\n", Median(press) / Median(floor));
        return 0;
    }

    if (mode == "terminal") {
        // The terminal mode costs what a pseudo-terminal costs: told beside the pipe run, which
        // stays the default.
        F9 f9;
        const auto both = [&](int rounds, const std::function<bool()>& ran) {
            std::vector<double> pipe, terminal;
            for (int round = 0; round < rounds; ++round)
                for (bool on : {false, true}) {
                    f9.main.Config().RunInTerminal = on;
                    (on ? terminal : pipe).push_back(f9.Press());
                    if (!ran())
                        std::fprintf(stderr, "the %s run did not complete\n",
                                     on ? "terminal" : "pipe");
                }
            f9.main.Config().RunInTerminal = false;
            return std::pair(Median(pipe), Median(terminal));
        };
        f9.main.Script().Editor().SetWholeUtf8("print \"hello\\n\";\n");
        const auto [linePipe, lineTerminal] =
            both(15, [&] { return f9.main.Result().Editor().Utf8Text() == "hello\n"; });
        std::printf("F9 on a one-line script, 15 rounds, medians\n");
        std::printf("  pipe                                                %.1f ms\n",
                    linePipe * 1e3);
        std::printf("  terminal mode                                       %.1f ms\n",
                    lineTerminal * 1e3);
        std::printf("  terminal/pipe %.2f\n", lineTerminal / linePipe);
        f9.main.Script().Editor().SetWholeUtf8(Script());
        const auto [bigPipe, bigTerminal] = both(kRounds, [&] { return f9.Ran(); });
        std::printf("F9 on 1,000,000 output lines (%.1f MB) and 250,000 error lines, %d rounds, "
                    "medians\n",
                    Output().size() / 1e6, kRounds);
        std::printf("  pipe                                                %.3f s\n", bigPipe);
        std::printf("  terminal mode                                       %.3f s\n", bigTerminal);
        std::printf("  terminal/pipe %.2f\n", bigTerminal / bigPipe);
        return 0;
    }

    if (mode == "first-output") {
        F9 f9;
        f9.main.Script().Editor().SetWholeUtf8(kStampScript);
        const std::string file = f9.folder.dir.Write("stamp.pl", kStampScript);
        std::vector<double> shown, floor;
        for (int round = 0; round < 9; ++round) {
            {
                const double pressed = Monotonic();
                FirstPaint first(f9.main.Result().Editor(), pressed);
                f9.Press();
                shown.push_back(first.Latency());
                if (std::getenv("BENCH_DEBUG"))
                    std::fprintf(stderr, "pressed %.4f painted %.4f latency %.4f text %s\n",
                                 pressed, first.painted, first.Latency(),
                                 f9.main.Result().Editor().text().toUtf8().constData());
            }
            floor.push_back(FloorFirstOutput(file));
            // The bare editor took the focus; F9 is a shortcut of the main window.
            f9.main.activateWindow();
            (void)QTest::qWaitForWindowActive(&f9.main);
        }
        std::printf("first output of a running script (one line, then quiet), 9 rounds, medians\n");
        std::printf(
            "  child's write to the line painted in the result     %.1f ms   (goal <= 15 ms)\n",
            Median(shown) * 1e3);
        std::printf("  floor: read from a pipe into a bare QScintilla      %.1f ms\n",
                    Median(floor) * 1e3);
        return 0;
    }

    F9 f9;
    const std::string output = Output(), errors = Errors();
    std::vector<double> a, perl, scintilla, list;
    for (int round = 0; round < kRounds; ++round) {
        a.push_back(f9.Press());
        if (!f9.Ran()) {
            std::fprintf(stderr, "the F9 run did not complete\n");
            return 1;
        }
        perl.push_back(PerlIntoDevNull(f9.folder.dir.File("script.pl")));
        scintilla.push_back(Seconds([&] { ShowInScintilla(output); }));
        list.push_back(BareList(errors));
    }
    double b = Median(perl) + Median(scintilla) + Median(list);
    std::printf("F9 end to end, 1,000,000 %s output lines (%.1f MB) and 250,000 error lines, "
                "%d rounds, medians\n",
                gUtf8 ? "UTF-8" : "ASCII", output.size() / 1e6, kRounds);
    std::printf("  (a) key press to result and error panel painted    %.3f s\n", Median(a));
    std::printf("  floors: perl into /dev/null                         %.3f s\n", Median(perl));
    std::printf("          bare QScintilla set and painted             %.3f s\n",
                Median(scintilla));
    std::printf("          QListView of the error lines, painted       %.3f s\n", Median(list));
    std::printf("  (b) sum of the floors                               %.3f s\n", b);
    std::printf("  a/b %.2f   (goal <= 0.8)\n", Median(a) / b);
    return 0;
}
