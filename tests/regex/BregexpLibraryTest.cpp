// libbregexp.so through its C entry points, loaded from the program folder as the program does.

#include "bregexp/bregexp.h"
#include "platform/Tdll.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace std::string_literals;

namespace {

// CP932 bytes used below.
const std::string kHyo = "\x95\x5C";        // 表, trail byte is '\'
const std::string kJi = "\x8E\xA6";         // 示
const std::string kA = "\x83\x41";          // ア, trail byte is 'A'
const std::string kUnassigned = "\x85\x40"; // a well-formed pair CP932 leaves empty

struct Outcome {
    int result = 0;
    std::string msg;
    int nparens = -1;
    // Byte offsets into the subject per group; -1 for a group without a match.
    std::vector<std::pair<long, long>> spans;
};

class BregexpLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll_.Loaded()) << dll_.LoadError();
        match_ = dll_.Proc<decltype(&BMatch)>("BMatch");
        free_ = dll_.Proc<decltype(&BRegfree)>("BRegfree");
        version_ = dll_.Proc<decltype(&BRegexpVersion)>("BRegexpVersion");
        ASSERT_TRUE(match_ && free_ && version_);
    }

    Outcome Run(const std::string& pattern, const std::string& subject) {
        return RunRange(pattern, subject.data(), subject.data() + subject.size());
    }

    Outcome RunRange(const std::string& pattern, const char* begin, const char* end) {
        Outcome out;
        BREGEXP* rx = nullptr;
        char msg[256];
        std::fill(std::begin(msg), std::end(msg), 'x');
        out.result = match_(pattern.c_str(), begin, end, &rx, msg);
        out.msg = msg;
        if (out.result > 0) {
            EXPECT_NE(rx, nullptr);
        } else {
            EXPECT_EQ(rx, nullptr);
        }
        if (rx) {
            out.nparens = rx->nparens;
            for (int i = 0; i <= rx->nparens; ++i) {
                EXPECT_EQ(rx->startp[i] == nullptr, rx->endp[i] == nullptr);
                if (rx->startp[i])
                    out.spans.emplace_back(rx->startp[i] - begin, rx->endp[i] - begin);
                else
                    out.spans.emplace_back(-1, -1);
            }
            free_(rx);
        }
        return out;
    }

    TDll dll_{std::string(VEXIL_BIN_DIR) + "/libbregexp.so"};
    decltype(&BMatch) match_ = nullptr;
    decltype(&BRegfree) free_ = nullptr;
    decltype(&BRegexpVersion) version_ = nullptr;
};

using Spans = std::vector<std::pair<long, long>>;

TEST_F(BregexpLibrary, ReportsGroupsAsCp932ByteOffsetsIntoTheSubject) {
    std::string subject = kHyo + kJi + " line 12";
    Outcome o = Run("m/(" + kJi + ") (line) ([0-9]+)/k", subject);
    EXPECT_EQ(o.result, 1);
    EXPECT_EQ(o.msg, "");
    EXPECT_EQ(o.nparens, 3);
    EXPECT_EQ(o.spans, (Spans{{2, 12}, {2, 4}, {5, 9}, {10, 12}}));

    o = Run("m/(x)?(y)/k", "y");
    EXPECT_EQ(o.nparens, 2);
    EXPECT_EQ(o.spans, (Spans{{0, 1}, {-1, -1}, {0, 1}}));

    o = Run("m/nothing/k", subject);
    EXPECT_EQ(o.result, 0);
    EXPECT_EQ(o.msg, "");
}

TEST_F(BregexpLibrary, FlagKMakesADoubleByteCharacterOneCharacter) {
    EXPECT_EQ(Run("m/^.$/k", kHyo).result, 1);
    EXPECT_EQ(Run("m/^.$/", kHyo).result, 0); // bytes without k
    EXPECT_EQ(Run("m/^..$/", kHyo).result, 1);
    // Without k a match may start on a trail byte; with k it may not.
    EXPECT_EQ(Run("m/A/", kA).spans, (Spans{{1, 2}}));
    EXPECT_EQ(Run("m/A/k", kA).result, 0);
    EXPECT_EQ(Run("m/A/k", kA + "A").spans, (Spans{{2, 3}}));
    // A pair CP932 leaves unassigned is still one character and matches only itself.
    EXPECT_EQ(Run("m/^.$/k", kUnassigned).spans, (Spans{{0, 2}}));
    EXPECT_EQ(Run("m/" + kUnassigned + "/k", "\x85\x41" + kUnassigned).spans, (Spans{{2, 4}}));
}

TEST_F(BregexpLibrary, InvalidCp932BytesKeepOffsetsRight) {
    // Stray bytes and a lead byte without its trail count one character each.
    std::string subject = "\x80\xA0\xFD\xFF\x81"
                          "1 line 42.";
    EXPECT_EQ(Run("m/line ([0-9]+)/k", subject).spans, (Spans{{7, 14}, {12, 14}}));
    EXPECT_EQ(Run("m/^(.)(.)(.)(.)(.)1/k", subject).spans,
              (Spans{{0, 6}, {0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5}}));
    EXPECT_EQ(Run("m/c(.)$/k", "abc\x81").spans, (Spans{{2, 4}, {3, 4}}));
    // A stray byte in the expression matches that byte only.
    EXPECT_EQ(Run("m/\x80/k", "\x81\x80").result, 0); // here 80 is the trail of 81
    EXPECT_EQ(Run("m/\x80/k", "a\x80").spans, (Spans{{1, 2}}));
}

TEST_F(BregexpLibrary, PatternFormAndFlags) {
    EXPECT_EQ(Run("m/a/b/k", "xa/by").spans, (Spans{{1, 4}}));
    EXPECT_EQ(Run("m{a/b}k", "xa/by").spans, (Spans{{1, 4}}));
    EXPECT_EQ(Run("/b/", "ab").spans, (Spans{{1, 2}}));
    EXPECT_EQ(Run("m//k", "ab").spans, (Spans{{0, 0}}));
    EXPECT_EQ(Run("m/LINE/ik", "a line").spans, (Spans{{2, 6}}));
    EXPECT_EQ(Run("m/LINE/k", "a line").result, 0);
    EXPECT_EQ(Run("m/a b # note/xk", "ab").result, 1);
    EXPECT_EQ(Run("m/^b/mk", "a\nb").result, 1);
    EXPECT_EQ(Run("m/^b/k", "a\nb").result, 0);
    EXPECT_EQ(Run("m/a.b/sk", "a\nb").result, 1);
    for (const char* bad : {"abc", "m", "m/abc", "m/abc/q", "mxabcx", "m/abc/k1"}) {
        Outcome o = Run(bad, "abc");
        EXPECT_EQ(o.result, -1) << bad;
        EXPECT_NE(o.msg, "") << bad;
    }
}

TEST_F(BregexpLibrary, InvalidExpressionIsAnErrorWithPcreMessage) {
    Outcome o = Run("m/(abc/k", "abc");
    EXPECT_EQ(o.result, -1);
    EXPECT_NE(o.msg.find("parenthesis"), std::string::npos) << o.msg;
    // The offset counts CP932 bytes of the expression, not UTF-8 bytes.
    o = Run("m/" + kHyo + kHyo + "(/k", "abc");
    EXPECT_EQ(o.result, -1);
    EXPECT_NE(o.msg.find("at offset 5"), std::string::npos) << o.msg;
    EXPECT_EQ(Run("m/[z-a]/k", "abc").result, -1);
}

TEST_F(BregexpLibrary, RunawayBacktrackingFailsAsNoMatch) {
    std::string subject(30, 'a');
    subject += '!';
    Outcome o = Run("m/^(a+)+$/k", subject);
    EXPECT_EQ(o.result, 0);
    EXPECT_NE(o.msg.find("limit"), std::string::npos) << o.msg;
    EXPECT_EQ(Run("m/^(a+)+!$/k", subject).result, 1);
}

TEST_F(BregexpLibrary, SubjectIsExactlyTheGivenRange) {
    std::string buffer = "abc\0XYZ"s;
    const char* begin = buffer.data();
    EXPECT_EQ(RunRange("m/X/k", begin, begin + 3).result, 0);
    EXPECT_EQ(RunRange("m/c$/k", begin, begin + 3).result, 1);
    // Zero bytes are ordinary characters.
    EXPECT_EQ(RunRange("m/c.X/sk", begin, begin + buffer.size()).spans, (Spans{{2, 5}}));
    EXPECT_EQ(RunRange("m/^$/k", nullptr, nullptr).result, 1);
    EXPECT_EQ(RunRange("m/a/k", begin + 3, begin).result, -1);
}

TEST_F(BregexpLibrary, LongLinesKeepTheirOffsets) {
    std::string subject;
    for (int i = 0; i < 400000; ++i)
        subject += kHyo + "a\x80";
    subject += "line 9.";
    long size = static_cast<long>(subject.size());
    EXPECT_EQ(Run("m/line ([0-9])/k", subject).spans,
              (Spans{{size - 7, size - 1}, {size - 2, size - 1}}));
    // No first-character shortcut here: the search really walks the whole line.
    EXPECT_EQ(Run("m/(.)(a)(.)l/k", subject).spans, (Spans{{size - 11, size - 6},
                                                           {size - 11, size - 9},
                                                           {size - 9, size - 8},
                                                           {size - 8, size - 7}}));
    EXPECT_EQ(Run("m/(.)l/k", kHyo + "line").spans, (Spans{{0, 3}, {0, 2}}));
}

TEST_F(BregexpLibrary, CachedPatternNeverLeaksIntoTheNext) {
    // The same expression with and without k, alternating, must each keep their meaning.
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Run("m/^.$/k", kHyo).result, 1);
        EXPECT_EQ(Run("m/^.$/", kHyo).result, 0);
        EXPECT_EQ(Run("m/(" + kJi + ")/k", "a" + kJi).spans, (Spans{{1, 3}, {1, 3}}));
        EXPECT_EQ(Run("m/(" + kJi + ")/k", kJi + "b").spans, (Spans{{0, 2}, {0, 2}}));
    }
}

TEST_F(BregexpLibrary, AnEarlierRecordIsReplaced) {
    std::string first = "abc", second = "xyz";
    BREGEXP* rx = nullptr;
    char msg[256];
    ASSERT_EQ(match_("m/(b)/k", first.data(), first.data() + 3, &rx, msg), 1);
    ASSERT_EQ(match_("m/(y)(z)/k", second.data(), second.data() + 3, &rx, msg), 1);
    ASSERT_NE(rx, nullptr);
    EXPECT_EQ(rx->nparens, 2);
    EXPECT_EQ(std::string(rx->startp[2], rx->endp[2]), "z");
    EXPECT_EQ(match_("m/q/k", second.data(), second.data() + 3, &rx, msg), 0);
    EXPECT_EQ(rx, nullptr);
    free_(nullptr);
    EXPECT_NE(std::string(version_()).find("PCRE2"), std::string::npos);
}

} // namespace

TEST_F(BregexpLibrary, Utf8SearchFromAnOffsetTellsALimitFromAMiss) {
    auto at = dll_.Proc<decltype(&BMatchUtf8At)>("BMatchUtf8At");
    ASSERT_NE(at, nullptr);
    auto run = [&](const std::string& pattern, const std::string& subject, size_t from,
                   std::string* msg = nullptr) {
        BREGEXP* rx = nullptr;
        char text[256] = {};
        const int result =
            at(pattern.c_str(), subject.data(), subject.data() + subject.size(), from, &rx, text);
        long start = result > 0 && rx ? rx->startp[0] - subject.data() : -1;
        free_(rx);
        if (msg)
            *msg = text;
        return std::pair<int, long>{result, start};
    };
    // Past a stray byte; a start among stray bytes; the look-behind sees before the start.
    const std::string line = "ab\xFF\xFE ab xab";
    EXPECT_EQ(run("m/ab/", line, 1), (std::pair<int, long>{1, 5}));
    EXPECT_EQ(run("m/ab/", line, 3), (std::pair<int, long>{1, 5}));
    EXPECT_EQ(run("m/(?<=x)ab/", line, 6), (std::pair<int, long>{1, 9}));
    EXPECT_EQ(run("m/^ab/", line, 1).first, 0);
    EXPECT_EQ(run("m/ab/", line, line.size() + 1).first, -1);
    // A group repeated once per character of a 100,000-character line is within the limits;
    // a runaway is a limit, not a miss.
    std::string longLine(100000, 'a');
    longLine += 'c';
    EXPECT_EQ(run("m/(?:a|b)*c/", longLine, 0), (std::pair<int, long>{1, 0}));
    std::string msg;
    EXPECT_EQ(run("m/^(a+)+$/", std::string(30, 'a') + "!", 0, &msg).first, -2);
    EXPECT_NE(msg.find("limit"), std::string::npos) << msg;
}
