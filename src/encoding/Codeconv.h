#pragma once
// Character codes and line ends of script files: detection, conversion through the run-time
// loaded converter (libnkf32.so), line-end rewriting and URL encoding.
//
// Inside the program text is Shift_JIS (CP932). Conversions are length-based: a zero byte is
// data like any other.

#include "platform/FileFacts.h"

#include <cstdint>
#include <string>
#include <string_view>

class ByteStream;
class MessageService;

// Character-code numbers.
inline constexpr int kCodeSjis = 0;
inline constexpr int kCodeEuc = 1;
inline constexpr int kCodeJis = 2;
inline constexpr int kCodeUtf8 = 3;

// Line-end numbers.
inline constexpr int kLineEndLf = 0;
inline constexpr int kLineEndCr = 1;
inline constexpr int kLineEndCrLf = 2;

// The converter's file name inside the program folder.
inline constexpr const char* kNkfLibraryName = "libnkf32.so";

// Loads the converter from folder (ending in '/'). A library that lacks one of its entry
// points counts as missing. Shows nothing; answers NkfAvailable().
bool NkfLoad(const std::string& folder = ProgramDir());
void NkfUnload();
bool NkfAvailable();

std::string CodeName(int code);
std::string LineEndName(int lineEnd);
// "-" + source letter + target letter, e.g. "-Es" for EUC-JP to Shift_JIS.
std::string NkfOptions(int source, int target);

// Converts input with the option text into output. Without the converter it shows
// "Error: NKF32.DLLがありません", leaves output alone and answers false.
bool NkfConvertText(std::string_view input, std::string& output, const std::string& options,
                    MessageService& messages);

// The file's size; from 4 GiB on it shows "Too Large File Size" and answers the lower 32 bits
// all the same. 0 when the file cannot be examined.
uint32_t FileSizeOf(const std::string& path, MessageService& messages);

// From the first 1000 bytes. A file that cannot be read counts as empty: CR LF and Shift_JIS.
int DetectLineEnd(const std::string& path, MessageService& messages);
// UTF-8 (3) when those bytes hold a multi-byte sequence and are well-formed UTF-8 (a sequence
// cut by the 1000-byte edge is allowed); otherwise JIS, EUC-JP or Shift_JIS by counting.
int DetectCode(const std::string& path, MessageService& messages);
// What a program's whole output is, judged over every byte (a prefix would let UTF-8 at the
// start decide for Shift_JIS further on): Ascii without a byte above 0x7F or an ESC; Utf8
// when it holds UTF-8 sequences, no more stray bytes than sequences (a binary byte, a Latin-1
// name in UTF-8 text) and no two stray double-byte characters in a row, which would be
// Japanese in another code; Other for anything else, Shift_JIS, EUC-JP or JIS.
enum class OutputKind { Ascii, Utf8, Other };
OutputKind JudgeOutput(std::string_view text);
// The same judgement over output taken in parts, each cut after a line end (a character
// boundary in every code), so a part read can leave memory before the next is read.
class OutputJudge {
public:
    void Add(std::string_view part);
    OutputKind Kind() const;

private:
    // Whether c, after what came before it, completes a JIS shift (ESC $ or ESC ( I).
    bool JisShift(unsigned char c);

    std::size_t sequences_ = 0, stray_ = 0;
    bool escape_ = false, japanese_ = false;
    int jisStep_ = 0; // 1 after an ESC, 2 after ESC (
};

// Replaces target's content with the whole of source converted; without the converter the
// message of NkfConvertText is shown and target is left empty.
bool ConvertStream(ByteStream& source, ByteStream& target, const std::string& options,
                   MessageService& messages);

// Shift_JIS text as the bytes of a script file of the code (Shift_JIS, EUC-JP or JIS) and line
// end; false when the converter failed. Without the converter the text stays unconverted.
bool EncodeScriptText(std::string_view text, int code, int lineEnd, std::string& bytes);

// UTF-8 text (the clipboard's) as a file of a script's code and line end, every line ended
// (a last line too), with the number of characters the code could not hold (each is 〓 then).
// Empty bytes with ok false when the converter failed.
struct ScriptFileText {
    std::string bytes;
    std::size_t lost = 0;
    bool ok = true;
};
ScriptFileText EncodeForScript(std::string_view utf8, int code, int lineEnd);

// Writes Shift_JIS text as a script file of the code and line end. The file is replaced
// atomically: on failure it is left as it was and error tells why. Without the converter
// the text is written unconverted whatever the code.
bool SaveConverted(const std::string& path, std::string_view text, int code, int lineEnd,
                   std::string* error, Links links = Links::Follow);

// Every line end (CR LF, CR or LF) becomes the one of lineEnd.
std::string UnifyLineEnds(std::string_view text, int lineEnd);

// Turns CR LF pairs into LF (0) or CR (1); 2 leaves the bytes alone.
void ConvertLineEnds(ByteStream& stream, int lineEnd);
std::string ConvertLineEnds(std::string_view bytes, int lineEnd);

// Percent-encodes text after converting it from Shift_JIS to the code (0 or 1). Without the
// converter it shows the converter's message and encodes the text unconverted.
std::string UrlEncode(std::string_view text, int code, MessageService& messages);
// The percent-encoding alone, of bytes already in the code they are sent in: letters, digits
// and '.-*)(_ stay, a blank becomes '+', every other byte %XX.
std::string PercentEncode(std::string_view bytes);

// Converts bytes of one code into another and checks that the way back gives them again, so
// a caller can refuse to lose characters: a file whose Shift_JIS form would not save back
// unchanged, or a text that the file's code cannot hold. A UTF-8 byte-order mark, which the
// conversion drops, does not count as a change.
struct CheckedConversion {
    bool converted = false; // false: no converter (its message was shown) or it failed
    bool lossless = false;
};
CheckedConversion ConvertChecked(std::string_view input, int fromCode, int toCode,
                                 std::string& output, MessageService& messages);
