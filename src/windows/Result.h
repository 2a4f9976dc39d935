#pragma once
// The result window: what the script wrote to its standard output in the last run, as an
// ordinary editable text that can be searched, copied and saved.

#include "exec/TerminalText.h"
#include "platform/ByteStream.h"
#include "platform/Cp932.h"
#include "windows/TextBase.h"

#include <optional>
#include <string>
#include <string_view>

class InputLine;
class KVexilConfig;
class ScriptDocument;
class TerminalInput;

class TFResult : public TFTextBase {
    Q_OBJECT
public:
    explicit TFResult(MainWindowHost& host, ScriptDocument* script = nullptr,
                      KVexilConfig* config = nullptr, QWidget* parent = nullptr);

    // Empties the text and scrolls to the top.
    void Clear();
    // Replaces the whole text with the stream's bytes from its position, held in code: CP932
    // as the program's model, or UTF-8 as it came (every character, a stray byte visible).
    // Output beyond the display cap is shown cut and read-only; the window then keeps the
    // stream itself, and the save and GetText give the whole output.
    void LoadFromStream(ByteStream& stream, TextCode code = TextCode::Cp932);
    // A fixed cap instead of one from the memory available at each load (0).
    void SetDisplayCap(std::size_t bytes) { displayCap_ = bytes; }
    // Output while a run lasts, appended in code; false once half the display cap is shown,
    // so that the end can still be shown when the run is over.
    // ahead: what the capture holds beyond them.
    bool AppendLive(std::string_view bytes, TextCode code, LiveAhead ahead = {});
    // What was appended is the whole output, held in code.
    void KeepLive(TextCode code);
    bool IsCut() const { return cut_; }
    // The output as the run captured it, kept while the text is unedited: a save and the
    // browser page write these bytes, not the text shown re-encoded (which folds NEC and IBM
    // characters into their look-alikes and turns invalid bytes into 〓).
    void KeepCaptured(std::string bytes);
    // The output in the code held, control sequences and all, while the text shown is what
    // a terminal would show of it: what the text stands for until it is edited.
    void KeepRaw(std::string bytes);
    // The text as output, UTF-8 (the whole output when the shown text is cut; the output with
    // its control sequences while the text is unedited).
    std::string Utf8Text();
    // Makes path the configuration's result file, then writes the text there unconverted.
    // A failed write, or a path that names the script, is reported and answers false.
    bool SaveToPath(const std::string& path);
    // The whole text in the code it is held in, with the line ends it holds.
    std::string GetText();
    TextCode HeldCode() const { return held_; }

    void Save() override;
    void SaveAs() override { Save(); }
    // While the input line is open, it is where the keyboard goes.
    void FocusEditor() override;

    // The terminal mode's input line under the text, open while input is (null closes it).
    void OpenInput(TerminalInput* input);
    InputLine& Input() { return *input_; }
    // The window's size in characters of its font.
    std::pair<int, int> SizeInCharacters();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScriptDocument* script_;
    KVexilConfig* config_;
    InputLine* input_;
    // Text shown in the output as if written there, as a terminal echoes what is typed.
    void Echo(const std::string& utf8);
    // The whole output while the shown text is cut.
    std::string_view Whole() const { return whole_.View().substr(wholeFrom_); }
    void Uncut();

    bool loading_ = false;
    std::optional<std::string> captured_;
    std::optional<std::string> raw_;
    // Output arriving while a run lasts, read as a terminal shows it.
    std::optional<TerminalText> terminal_;
    void ShowTerminal(TerminalEdit edit, std::size_t most, LiveAhead ahead = {});
    TextCode held_ = TextCode::Cp932;
    std::size_t Cap() const;
    std::size_t displayCap_ = 0;
    std::size_t liveCap_ = 0; // the cap of the run under way
    bool cut_ = false;
    ByteStream whole_;
    std::size_t wholeFrom_ = 0;
    std::size_t live_ = 0; // bytes appended since the last Clear
};
