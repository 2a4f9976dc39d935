#pragma once
// 実行 > 引数を指定して実行… (Shift+F9): one line of arguments, typed or taken from the lines
// typed before. The dialog only shows and hands back; the run and the history are the run
// commands' business.

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QDialogButtonBox;

class TFArguments : public QDialog {
    Q_OBJECT
public:
    explicit TFArguments(QWidget* parent = nullptr);

    // Opens the dialog on the history (newest first), the newest line selected so that typing
    // replaces it. The line confirmed with Enter or OK (possibly empty), or nothing.
    std::optional<std::string> Ask(const std::vector<std::string>& history);
    // Fills the field as Ask does, without showing the dialog.
    void Prepare(const std::vector<std::string>& history);
    std::string Line() const;

    QComboBox* CbArguments;
    QDialogButtonBox* Buttons;
};
