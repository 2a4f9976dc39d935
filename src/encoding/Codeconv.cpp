#include "encoding/Codeconv.h"

#include "nkf32/nkf32.h"
#include "nkf32/nkfguess.h"
#include "platform/ByteStream.h"
#include "platform/Cp932.h"
#include "platform/MessageService.h"
#include "platform/Tdll.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr size_t kDetectBytes = 1000;
// How far detection looks for the first byte that is not ASCII; beyond, the file counts as
// ASCII (Shift_JIS), so a huge file of plain text is not read whole just to be opened.
constexpr size_t kDetectSkipLimit = 16u << 20;
constexpr const char* kNoLibraryMessage = "Error: NKF32.DLLがありません";
constexpr const char* kTooLargeMessage = "Too Large File Size";
constexpr const char kSourceLetters[] = "SEJW";
constexpr const char kTargetLetters[] = "sejw";

// The loaded converter: program-wide, like the library itself.
struct Converter {
    std::unique_ptr<TDll> dll;
    SetNkfOptionProc setOption = nullptr;
    NkfConvertSafeProc convertSafe = nullptr;
};
Converter g_nkf;
bool g_nkfAvailable = false;

bool ValidCode(int code) {
    return code >= kCodeSjis && code <= kCodeUtf8;
}

// Converts with the loaded library into room that reserve(n) provides, trying again with the
// size the library asks for when the first guess was too small. Answers the library's result.
template <typename Reserve>
int RunConverter(std::string_view input, const std::string& options, Reserve reserve,
                 size_t& written) {
    written = 0;
    int status = g_nkf.setOption(options.c_str());
    if (status != NKF_OK)
        return status;
    // Twice the input holds every conversion except short texts turned into JIS and
    // half-width katakana turned into UTF-8; those take the second round.
    size_t room = input.size() * 2 + 16;
    for (int round = 0; round < 3; ++round) {
        status = g_nkf.convertSafe(reserve(room), room, &written, input.data(), input.size());
        if (status != NKF_TOO_SMALL)
            return status;
        room = written;
    }
    return NKF_FAILED;
}

bool Succeeded(int status) {
    return status == NKF_OK || status == NKF_REPLACED;
}

// Answers the library's result; output holds the converted bytes when it succeeded.
int ConvertBytes(std::string_view input, const std::string& options, std::string& output) {
    std::string converted;
    size_t written = 0;
    int status = RunConverter(
        input, options,
        [&](size_t n) {
            converted.resize(n);
            return converted.data();
        },
        written);
    if (Succeeded(status)) {
        converted.resize(written);
        output = std::move(converted);
    }
    return status;
}

// The first n bytes of a file (fewer when it is shorter); empty when it cannot be read.
std::string ReadHead(const std::string& path, size_t n) {
    std::string bytes(n, '\0');
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return {};
    size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd, bytes.data() + got, n - got);
        if (r > 0)
            got += static_cast<size_t>(r);
        else if (r == 0 || errno != EINTR)
            break;
    }
    ::close(fd);
    bytes.resize(got);
    return bytes;
}

// The full size, or 0 when the file cannot be examined.
uint64_t FullSizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return static_cast<uint64_t>(st.st_size);
}

} // namespace

bool NkfLoad(const std::string& folder) {
    NkfUnload();
    std::string dir = folder;
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    auto dll = std::make_unique<TDll>(dir + kNkfLibraryName);
    auto setOption = dll->Proc<SetNkfOptionProc>("SetNkfOption");
    auto convert = dll->Proc<NkfConvertProc>("NkfConvert");
    auto convertSafe = dll->Proc<NkfConvertSafeProc>("NkfConvertSafe");
    if (!dll->Loaded() || !setOption || !convert || !convertSafe)
        return false;
    g_nkf.dll = std::move(dll);
    g_nkf.setOption = setOption;
    g_nkf.convertSafe = convertSafe;
    g_nkfAvailable = true;
    return true;
}

void NkfUnload() {
    g_nkfAvailable = false;
    g_nkf = Converter{};
}

bool NkfAvailable() {
    return g_nkfAvailable;
}

std::string CodeName(int code) {
    static const char* const kNames[] = {"SJIS", "EUC", "JIS", "UTF-8"};
    return ValidCode(code) ? kNames[code] : "";
}

std::string LineEndName(int lineEnd) {
    static const char* const kNames[] = {"LF", "CR", "CRLF"};
    return lineEnd >= kLineEndLf && lineEnd <= kLineEndCrLf ? kNames[lineEnd] : "";
}

std::string NkfOptions(int source, int target) {
    std::string options = "-";
    if (ValidCode(source))
        options += kSourceLetters[source];
    if (ValidCode(target))
        options += kTargetLetters[target];
    return options;
}

bool NkfConvertText(std::string_view input, std::string& output, const std::string& options,
                    MessageService& messages) {
    if (!g_nkfAvailable) {
        messages.Show(kNoLibraryMessage);
        return false;
    }
    return Succeeded(ConvertBytes(input, options, output));
}

uint32_t FileSizeOf(const std::string& path, MessageService& messages) {
    uint64_t size = FullSizeOf(path);
    if (size >> 32)
        messages.Show(kTooLargeMessage);
    return static_cast<uint32_t>(size);
}

int DetectLineEnd(const std::string& path, MessageService& messages) {
    size_t n = std::min<size_t>(FileSizeOf(path, messages), kDetectBytes);
    std::string head = ReadHead(path, n);
    n = head.size();
    // The last byte counts too, or a one-line LF script (the usual shape on Linux) would be
    // taken for CR LF and saved back with a CR in its shebang line. Only a CR that the end of
    // the window may have parted from its LF decides nothing.
    const bool whole = n < kDetectBytes;
    size_t lf = 0, crlf = 0, cr = 0;
    for (size_t p = 0; p < n; ++p) {
        if (head[p] == '\n') {
            ++lf;
        } else if (head[p] == '\r') {
            if (p + 1 < n && head[p + 1] == '\n') {
                ++crlf;
                ++p;
            } else if (p + 1 < n || whole) {
                ++cr;
            }
        }
    }
    int result = kLineEndCrLf;
    if (crlf < lf)
        result = kLineEndLf;
    if (lf < cr)
        result = kLineEndCr;
    return result;
}

int DetectCode(const std::string& path, MessageService& messages) {
    FileSizeOf(path, messages); // tells about a file of 4 GiB or more
    // The window starts at the first byte that tells something (not ASCII, or ESC of JIS): a
    // long ASCII header, a licence block, must not hide the code of what follows.
    std::string window;
    bool more = false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        char block[65536];
        bool started = false;
        size_t skipped = 0;
        while (started || skipped < kDetectSkipLimit) {
            ssize_t r = ::read(fd, block, sizeof block);
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            size_t from = 0, n = static_cast<size_t>(r);
            if (!started) {
                while (from < n && static_cast<unsigned char>(block[from]) < 0x80 &&
                       block[from] != 0x1B)
                    ++from;
                skipped += from;
                if (from == n)
                    continue;
                started = true;
            }
            window.append(block + from, n - from);
            if (window.size() > kDetectBytes) {
                more = true;
                break;
            }
        }
        ::close(fd);
    }
    size_t n = std::min(window.size(), kDetectBytes);
    // A sequence cut by the edge is no fault when the file goes on behind it.
    return nkfguess::GuessCode(reinterpret_cast<const unsigned char*>(window.data()), n, more);
}

OutputKind JudgeOutput(std::string_view text) {
    OutputJudge judge;
    judge.Add(text);
    return judge.Kind();
}

bool OutputJudge::JisShift(unsigned char c) {
    // A sequence may be cut by the edge of a part: how far it has come is kept.
    const int was = jisStep_;
    jisStep_ = c == 0x1B ? 1 : (was == 1 && c == '(') ? 2 : 0;
    return (was == 1 && c == '$') || (was == 2 && c == 'I');
}

void OutputJudge::Add(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    constexpr unsigned long long kOnes = 0x0101010101010101ULL;
    constexpr unsigned long long kHigh = 0x8080808080808080ULL;
    std::size_t i = 0;
    while (i < n) {
        // Plain ASCII eight bytes at a time: most output is mostly ASCII. The bytes behind an
        // ESC are looked at one by one.
        while (jisStep_ == 0 && i + 8 <= n) {
            unsigned long long w;
            std::memcpy(&w, p + i, 8);
            const unsigned long long esc = w ^ (kOnes * 0x1B); // a zero byte where w holds ESC
            if ((w & kHigh) || ((esc - kOnes) & ~esc & kHigh))
                break;
            i += 8;
        }
        if (i >= n)
            break;
        const unsigned char c = p[i];
        if (c < 0x80) {
            // JIS text switches to kanji (ESC $ ...) or to half-width kana (ESC ( I); a
            // terminal's colours (ESC [ ...) and other sequences say nothing of the code.
            escape_ = escape_ || JisShift(c);
            ++i;
            continue;
        }
        jisStep_ = 0;
        std::size_t len = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            lo = c == 0xE0 ? 0xA0 : 0x80;
            hi = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            lo = c == 0xF0 ? 0x90 : 0x80;
            hi = c == 0xF4 ? 0x8F : 0xBF;
        }
        std::size_t k = 1;
        while (len && k < len && i + k < n &&
               (k == 1 ? p[i + k] >= lo && p[i + k] <= hi : (p[i + k] & 0xC0) == 0x80))
            ++k;
        if (len && k == len) {
            ++sequences_;
            i += len;
        } else {
            // Two double-byte characters in a row are Japanese text in another code (Shift_JIS
            // or EUC-JP), not a stray byte of a binary or a Latin-1 name in UTF-8 output.
            if (i + 3 < n &&
                ((IsCp932LeadByte(p[i]) && IsCp932TrailByte(p[i + 1]) &&
                  IsCp932LeadByte(p[i + 2]) && IsCp932TrailByte(p[i + 3])) ||
                 (p[i] >= 0xA1 && p[i + 1] >= 0xA1 && p[i + 2] >= 0xA1 && p[i + 3] >= 0xA1 &&
                  p[i] != 0xFF && p[i + 1] != 0xFF && p[i + 2] != 0xFF && p[i + 3] != 0xFF)))
                japanese_ = true;
            ++stray_; // the lead byte alone; what follows is judged on its own
            ++i;
        }
    }
}

OutputKind OutputJudge::Kind() const {
    if (sequences_ == 0)
        return stray_ == 0 && !escape_ ? OutputKind::Ascii : OutputKind::Other;
    return !escape_ && !japanese_ && stray_ <= sequences_ ? OutputKind::Utf8 : OutputKind::Other;
}

bool ConvertStream(ByteStream& source, ByteStream& target, const std::string& options,
                   MessageService& messages) {
    std::string copy;
    std::string_view input = source.View();
    if (&source == &target) {
        copy = source.ToString();
        input = copy;
    }
    target.Clear();
    if (!g_nkfAvailable) {
        messages.Show(kNoLibraryMessage);
        return false;
    }
    size_t written = 0;
    int status = RunConverter(
        input, options, [&](size_t n) { return target.Reserve(n); }, written);
    if (!Succeeded(status))
        return false;
    target.Commit(written);
    target.SetPosition(0);
    return true;
}

std::string UnifyLineEnds(std::string_view text, int lineEnd) {
    const std::string_view end = lineEnd == kLineEndLf   ? "\n"
                                 : lineEnd == kLineEndCr ? "\r"
                                                         : "\r\n";
    std::string out;
    out.reserve(text.size() + text.size() / 32);
    size_t start = 0;
    for (;;) {
        size_t at = text.find_first_of("\r\n", start);
        if (at == std::string_view::npos) {
            out.append(text.substr(start));
            return out;
        }
        out.append(text.substr(start, at - start));
        out.append(end);
        start = at + (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n' ? 2 : 1);
    }
}

bool EncodeScriptText(std::string_view text, int code, int lineEnd, std::string& bytes) {
    std::string converted;
    if (g_nkfAvailable && code != kCodeSjis) {
        // The text is Shift_JIS by construction, so say so rather than let the converter
        // guess: a text rich in half-width katakana would pass for EUC-JP.
        if (!Succeeded(ConvertBytes(text, NkfOptions(kCodeSjis, code), converted)))
            return false;
    } else {
        converted.assign(text);
    }
    bytes = ConvertLineEnds(converted, lineEnd);
    return true;
}

ScriptFileText EncodeForScript(std::string_view utf8, int code, int lineEnd) {
    std::string text = UnifyLineEnds(utf8, kLineEndCrLf);
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
    ScriptFileText out;
    if (code == kCodeUtf8) {
        out.bytes = ConvertLineEnds(text, lineEnd);
        return out;
    }
    Cp932Conversion cp932 = Utf8ToCp932(text);
    out.lost = cp932.lost;
    out.ok = EncodeScriptText(cp932.text, code, lineEnd, out.bytes);
    return out;
}

bool SaveConverted(const std::string& path, std::string_view text, int code, int lineEnd,
                   std::string* error, Links links) {
    std::string bytes;
    if (!EncodeScriptText(text, code, lineEnd, bytes)) {
        if (error)
            *error =
                "Cannot write \"" + path + "\": the text cannot be converted to " + CodeName(code);
        return false;
    }
    return WriteFileAtomic(path, bytes, error, links);
}

std::string ConvertLineEnds(std::string_view bytes, int lineEnd) {
    if (lineEnd != kLineEndLf && lineEnd != kLineEndCr)
        return std::string(bytes);
    const char end = lineEnd == kLineEndLf ? '\n' : '\r';
    std::string out;
    out.reserve(bytes.size());
    size_t from = 0;
    for (size_t p = bytes.find("\r\n"); p != std::string_view::npos; p = bytes.find("\r\n", from)) {
        out.append(bytes, from, p - from);
        out += end;
        from = p + 2;
    }
    out.append(bytes, from);
    return out;
}

void ConvertLineEnds(ByteStream& stream, int lineEnd) {
    if (lineEnd != kLineEndLf && lineEnd != kLineEndCr)
        return;
    stream.Assign(ConvertLineEnds(stream.View(), lineEnd));
}

std::string UrlEncode(std::string_view text, int code, MessageService& messages) {
    std::string converted;
    if (!NkfConvertText(text, converted, NkfOptions(kCodeSjis, code), messages))
        converted.assign(text);
    return PercentEncode(converted);
}

std::string PercentEncode(std::string_view bytes) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (unsigned char c : bytes) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            std::string_view("'.-*)(_").find(static_cast<char>(c)) != std::string_view::npos) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0x0F];
        }
    }
    return out;
}

CheckedConversion ConvertChecked(std::string_view input, int fromCode, int toCode,
                                 std::string& output, MessageService& messages) {
    if (!g_nkfAvailable) {
        messages.Show(kNoLibraryMessage);
        return {};
    }
    int status = ConvertBytes(input, NkfOptions(fromCode, toCode), output);
    if (!Succeeded(status))
        return {};
    if (fromCode == toCode)
        return {true, true};
    std::string back;
    if (!Succeeded(ConvertBytes(output, NkfOptions(toCode, fromCode), back)))
        return {true, false};
    std::string_view original = input;
    if (fromCode == kCodeUtf8 && original.substr(0, 3) == "\xEF\xBB\xBF")
        original.remove_prefix(3);
    bool same;
    if (fromCode == kCodeJis) {
        // Escape sequences may be spelt differently on the way back (ESC ( J for ESC ( B, a
        // missing final shift); what must survive is the characters.
        std::string a, b;
        same = Succeeded(ConvertBytes(original, "-Je", a)) &&
               Succeeded(ConvertBytes(back, "-Je", b)) && a == b;
    } else {
        same = back == original;
    }
    return {true, status == NKF_OK && same};
}
