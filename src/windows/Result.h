#pragma once
// The result window: what the script wrote to its standard output in the last run, as an
// ordinary editable text that can be searched, copied and saved.

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
    // Replaces the whole text with the stream's CP932 bytes from its position.
    void LoadFromStream(ByteStream& stream);
    // Makes path the configuration's result file, then writes the text there unconverted.
    // A failed write, or a path that names the script, is reported and answers false.
    bool SaveToPath(const std::string& path);
    // The whole text in CP932, with the line ends it holds.
    std::string GetText();

    void Save() override;
    void SaveAs() override { Save(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ScriptDocument* script_;
    KVexilConfig* config_;
    bool loading_ = false;
};
