#pragma once
// The result window: what the script wrote to its standard output in the last run, as an
// ordinary editable text that can be searched, copied and saved.

#include "platform/Cp932.h"
#include "windows/TextBase.h"

class ByteStream;
class KVexilConfig;
class ScriptDocument;

class TFResult : public TFTextBase {
    Q_OBJECT
public:
    explicit TFResult(MainWindowHost& host, ScriptDocument* script = nullptr,
                      KVexilConfig* config = nullptr, QWidget* parent = nullptr);

    // Empties the text and scrolls to the top.
    void Clear();
    // Replaces the whole text with the stream's bytes from its position, held in code: CP932
    // as the program's model, or UTF-8 as it came (every character, a stray byte visible).
    void LoadFromStream(ByteStream& stream, TextCode code = TextCode::Cp932);
    // Makes path the configuration's result file, then writes the text there unconverted.
    // A failed write, or a path that names the script, is reported and answers false.
    bool SaveToPath(const std::string& path);
    // The whole text in the code it is held in, with the line ends it holds.
    std::string GetText();
    TextCode HeldCode() const { return held_; }

    void Save() override;
    void SaveAs() override { Save(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScriptDocument* script_;
    KVexilConfig* config_;
    bool loading_ = false;
    TextCode held_ = TextCode::Cp932;
};
