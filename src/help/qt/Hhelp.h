#pragma once
// The help viewer: a window of the program's own for HTML and plain-text help files and for
// perldoc entries. Contents show a file from its top; a keyword goes to its anchor or its first
// occurrence, else to an index of the file's headings. Links inside the help stay in the
// viewer; links to the web go to the desktop's browser.

#include "help/HelpDocument.h"
#include "help/Khelp.h"

#include <QWidget>
#include <memory>
#include <vector>

class Launcher;
class MessageService;
class QAction;
class QTextBrowser;
class QUrl;

class TFHelp : public QWidget, public HelpViewer {
    Q_OBJECT
public:
    TFHelp(MessageService& messages, Launcher& launcher, QWidget* parent = nullptr);

    void ShowContents(const std::string& file) override;
    void ShowKeyword(const std::string& file, const std::string& keyword) override;
    void ShowText(const std::string& title, const std::string& text) override;

    QTextBrowser* Browser() const { return browser_; }
    // The help file shown, empty for a text from no file.
    const std::string& File() const { return file_; }
    bool ShowingIndex() const { return showingIndex_; }
    // Back to what was shown before the last step (Alt+Left, Backspace, the tool button).
    QAction* BackAction() const { return back_; }

private:
    // Reads a help file into the page; false (and the user told) when it cannot be shown here.
    bool Load(const std::string& file);
    // The page, at an anchor or from its top.
    void ShowPage(const std::string& anchor);
    void ShowIndex(const std::string& keyword);
    bool SelectFirst(const std::string& keyword);
    void Present(const std::string& title);
    void LinkClicked(const QUrl& url);
    // What is shown now becomes the step Back returns to.
    void Remember();
    void Back();

    struct Step {
        HelpPage page;
        std::string file, title;
        bool index;
        std::string keyword;
        int scroll;
    };

    MessageService& messages_;
    Launcher& launcher_;
    QTextBrowser* browser_;
    QAction* back_;
    HelpPage page_;
    std::string file_;
    std::string title_;
    bool showingIndex_ = false;
    std::string indexKeyword_;
    bool shown_ = false;
    std::vector<Step> history_;
};

// Makes the viewer when help is first asked for, not at start-up.
class LazyHelpViewer : public HelpViewer {
public:
    LazyHelpViewer(MessageService& messages, Launcher& launcher, QWidget* parent)
        : messages_(messages), launcher_(launcher), parent_(parent) {}
    ~LazyHelpViewer() override;

    TFHelp& Window();
    bool Made() const { return window_ != nullptr; }

    void ShowContents(const std::string& file) override { Window().ShowContents(file); }
    void ShowKeyword(const std::string& file, const std::string& keyword) override {
        Window().ShowKeyword(file, keyword);
    }
    void ShowText(const std::string& title, const std::string& text) override {
        Window().ShowText(title, text);
    }

private:
    MessageService& messages_;
    Launcher& launcher_;
    QWidget* parent_;
    TFHelp* window_ = nullptr;
};
