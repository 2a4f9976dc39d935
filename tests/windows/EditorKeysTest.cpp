// The editors' keys: Scintilla's own text-changing keys that no menu shows do nothing, the
// movement keys still move, and the editing commands' menu keys reach them through the main
// window built offscreen on a real program folder.

#include "config/Kvexilconfig.h"
#include "platform/IniFile.h"
#include "shell/Main.h"
#include "support/HostDoubles.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/ReplaceDialog.h"
#include "windows/Result.h"
#include "windows/Script.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QWheelEvent>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

struct Key {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
};

void Press(QWidget* widget, const Key& k) {
    QTest::keyClick(widget, k.key, k.modifiers);
}

// The caret as line and UTF-8 column.
std::pair<int, int> Caret(QsciScintilla& editor) {
    int line = 0, column = 0;
    editor.getCursorPosition(&line, &column);
    return {line, column};
}

} // namespace

TEST(EditorKeys, ClearedKeysLeaveTheTextAndMovementKeysStillMove) {
    const Key cleared[] = {
        {"lower case", Qt::Key_U, Qt::ControlModifier},
        {"upper case", Qt::Key_U, Qt::ControlModifier | Qt::ShiftModifier},
        {"transpose", Qt::Key_T, Qt::ControlModifier},
        {"line cut", Qt::Key_L, Qt::ControlModifier},
        {"line delete", Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier},
        {"duplicate", Qt::Key_D, Qt::ControlModifier},
        {"delete to line start", Qt::Key_Backspace, Qt::ControlModifier | Qt::ShiftModifier},
        {"delete to line end", Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier},
        {"keypad zoom", Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier},
    };
    // Every text window's editor, the result window's too.
    ScintillaEditor script, result;
    result.SetPlainDocument(true);
    for (ScintillaEditor* editor : {&script, &result}) {
        editor->resize(400, 200);
        editor->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(editor));
        editor->SetWholeText("abc def\r\nghi");
        for (const Key& k : cleared) {
            SCOPED_TRACE(k.name);
            editor->setSelection(0, 1, 0, 5); // "bc de"
            Press(editor, k);
            EXPECT_EQ(editor->WholeText(), "abc def\r\nghi");
            EXPECT_EQ(editor->SendScintilla(QsciScintilla::SCI_GETZOOM), 0);
        }
        // Insert leaves typing in insert mode.
        editor->setCursorPosition(0, 0);
        Press(editor, {"insert", Qt::Key_Insert, Qt::NoModifier});
        QTest::keyClicks(editor, "Z");
        EXPECT_EQ(editor->WholeText(), "Zabc def\r\nghi");

        const std::pair<Key, std::pair<int, int>> moves[] = {
            {{"end of text", Qt::Key_End, Qt::ControlModifier}, {1, 3}},
            {{"start of line", Qt::Key_Home, Qt::NoModifier}, {1, 0}},
            {{"word right", Qt::Key_Right, Qt::ControlModifier}, {1, 3}},
            {{"start of text", Qt::Key_Home, Qt::ControlModifier}, {0, 0}},
            {{"select to line end", Qt::Key_End, Qt::ShiftModifier}, {0, 8}},
        };
        for (const auto& [k, at] : moves) {
            SCOPED_TRACE(k.name);
            Press(editor, k);
            EXPECT_EQ(Caret(*editor), at);
        }
        EXPECT_EQ(editor->selectedText().toStdString(), "Zabc def");
    }
}

class EditingCommands : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(program.File("defs"));
        program.Write("defs/perl.def", "[Language]\nName=Perl\nExt=pl\nTabWidth=4\n");
        // The size the editors were left at last time.
        program.Write("VexilPro.cfg", "[View]\nZoom=3\n");
        main = std::make_unique<TFMain>(program.Path(),
                                        MainServices{&msgs, &dialogs, &clipboard, &launcher});
        main->InitialSetup("", VEXIL_BIN_DIR);
        main->resize(600, 400);
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));
    }
    void TearDown() override {
        EXPECT_EQ(msgs.PendingAnswers(), 0u);
        main.reset();
        QApplication::processEvents();
        std::filesystem::current_path(cwd);
    }
    ScintillaEditor& Editor() { return main->Script().Editor(); }
    std::string Text() { return Cp932ToUtf8(Editor().WholeText()).text; }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(&Editor(), key, modifiers);
    }

    std::filesystem::path cwd = std::filesystem::current_path();
    TempDir program;
    ScriptedMessages msgs;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    std::unique_ptr<TFMain> main;
};

TEST_F(EditingCommands, MenuKeysReachReplaceGoToLineCommentSelectAllAndZoom) {
    EXPECT_EQ(Editor().SendScintilla(QsciScintilla::SCI_GETZOOM), 3);
    EXPECT_EQ(main->Result().Editor().SendScintilla(QsciScintilla::SCI_GETZOOM), 3);
    Editor().setFocus();
    QTest::keyClicks(&Editor(), "if (x) {");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "foo();");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "bar();");
    // Return indents a step (a TAB) after '{', then keeps the indentation above; the language's
    // tab is four columns.
    EXPECT_EQ(Text(), "if (x) {\r\n\tfoo();\r\n\tbar();");
    EXPECT_EQ(Editor().tabWidth(), 4);

    // Ctrl+/ comments the caret's line with Perl's mark, and again takes it away.
    Key(Qt::Key_Slash);
    EXPECT_EQ(Text(), "if (x) {\r\n\tfoo();\r\n\t# bar();");
    Key(Qt::Key_Slash);
    EXPECT_EQ(Text(), "if (x) {\r\n\tfoo();\r\n\tbar();");

    // Ctrl+G asks for a line and goes there.
    WhenModal goTo("GoToLineDialog", [](QWidget* dialog) {
        dialog->findChild<QSpinBox*>("EdLine")->setValue(2);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    Key(Qt::Key_G);
    EXPECT_EQ(goTo.Count(), 1);
    EXPECT_EQ(Caret(Editor()), (std::pair<int, int>{1, 0}));
    main->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main.get()));

    // Ctrl+H opens the replace dialog with the selection to find; replace all is one undo.
    Editor().setSelection(1, 1, 1, 4);
    Key(Qt::Key_H);
    auto* replace = main->findChild<ReplaceDialog*>("ReplaceDialog");
    ASSERT_NE(replace, nullptr);
    EXPECT_TRUE(replace->isVisible());
    EXPECT_EQ(replace->EdFindText->text().toStdString(), "foo");
    replace->EdFindText->setText("(\\w+)\\(\\)");
    replace->EdReplaceText->setText("$1(1)");
    ASSERT_TRUE(replace->CbRegExp->isEnabled());
    replace->CbRegExp->setChecked(true);
    replace->BtReplaceAll->click();
    EXPECT_EQ(Text(), "if (x) {\r\n\tfoo(1);\r\n\tbar(1);");
    EXPECT_EQ(replace->LbResult->text().toStdString(), "2 個置換しました。");
    EXPECT_TRUE(main->Script().Modified);
    main->Script().Undo();
    EXPECT_EQ(Text(), "if (x) {\r\n\tfoo();\r\n\tbar();");
    replace->hide();

    // Ctrl+A selects everything, in the result window too.
    main->activateWindow();
    Editor().setFocus();
    Key(Qt::Key_A);
    EXPECT_EQ(Editor().selectedText().size(), Editor().text().size());

    // Ctrl+wheel and Ctrl+minus size every editor alike, and the size is kept.
    QWheelEvent wheel(QPointF(10, 10), Editor().mapToGlobal(QPointF(10, 10)), {}, {0, 120},
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Editor().viewport(), &wheel);
    QApplication::sendEvent(Editor().viewport(), &wheel);
    Key(Qt::Key_Minus);
    EXPECT_EQ(Editor().SendScintilla(QsciScintilla::SCI_GETZOOM), 4);
    EXPECT_EQ(main->Result().Editor().SendScintilla(QsciScintilla::SCI_GETZOOM), 4);
    main->Config().Save();
    EXPECT_EQ(IniFile(main->Config().CfgPath).ReadInteger("View", "Zoom", 0), 4);
    Key(Qt::Key_0);
    EXPECT_EQ(main->Result().Editor().SendScintilla(QsciScintilla::SCI_GETZOOM), 0);
    EXPECT_EQ(main->Config().Zoom, 0);
}

TEST_F(EditingCommands, PerlIndentsWithTabsABlockMovesWithTabAndABraceStepsBack) {
    Editor().setFocus();
    QTest::keyClicks(&Editor(), "sub f {");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "if ($x) {");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "g();");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "}");
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "}");
    EXPECT_EQ(Text(), "sub f {\r\n\tif ($x) {\r\n\t\tg();\r\n\t}\r\n}");
    // A brace after other text on its line moves nothing.
    Key(Qt::Key_Return, Qt::NoModifier);
    QTest::keyClicks(&Editor(), "\tx = {}");
    EXPECT_EQ(Text(), "sub f {\r\n\tif ($x) {\r\n\t\tg();\r\n\t}\r\n}\r\n\tx = {}");

    // Tab on a selected block indents each line a step, Shift+Tab takes it back.
    Editor().setSelection(0, 0, 2, 3);
    Key(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(Text(), "\tsub f {\r\n\t\tif ($x) {\r\n\t\t\tg();\r\n\t}\r\n}\r\n\tx = {}");
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    Key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(Text(), "sub f {\r\nif ($x) {\r\n\tg();\r\n\t}\r\n}\r\n\tx = {}");
    // Tab with no selection inserts a TAB, in the middle of a line too.
    Editor().setCursorPosition(0, 3);
    Key(Qt::Key_Tab, Qt::NoModifier);
    EXPECT_EQ(Text().substr(0, 10), "sub\t f {\r\n");
}

TEST(EditorIndentation, PythonIndentsWithFourSpacesAfterAColonAndMovesBlocksByFour) {
    TempDir program;
    std::filesystem::create_directories(program.File("defs"));
    // As a first start writes it when python3 is on PATH.
    program.Write("defs/python.def", "[Language]\nName=Python\nExt=py,pyw\nIndentSpaces=4\n"
                                     "[Environment]\nExePath=/usr/bin/python3\n");
    // Every other ready language was offered before: Python is the one language.
    program.Write("VexilPro.cfg", "[Languages]\nOffered=python,ruby,bash,php,node,prove,pytest\n");
    ScriptedMessages msgs;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    TFMain main(program.Path(), MainServices{&msgs, &dialogs, &clipboard, &launcher});
    main.InitialSetup("", VEXIL_BIN_DIR);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    ScintillaEditor& editor = main.Script().Editor();
    editor.setFocus();
    auto text = [&editor] { return Cp932ToUtf8(editor.WholeText()).text; };
    auto press = [&editor](Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QTest::keyClick(&editor, key, m);
    };

    QTest::keyClicks(&editor, "def f(x):  # the colon counts before a comment");
    press(Qt::Key_Return);
    QTest::keyClicks(&editor, "if x:");
    press(Qt::Key_Return);
    QTest::keyClicks(&editor, "d = {");
    press(Qt::Key_Return);
    QTest::keyClicks(&editor, "}");
    press(Qt::Key_Return);
    QTest::keyClicks(&editor, "s = 'a:'");
    press(Qt::Key_Return);
    // Python's blocks open with ':' only, and a '}' is just a character.
    EXPECT_EQ(text(), "def f(x):  # the colon counts before a comment\r\n    if x:\r\n"
                      "        d = {\r\n        }\r\n        s = 'a:'\r\n        ");
    // Backspace in the indentation takes a step back, Tab gives one: spaces, no TAB.
    press(Qt::Key_Backspace);
    EXPECT_EQ(text().substr(text().size() - 6), "\r\n    ");
    press(Qt::Key_Tab);
    EXPECT_EQ(text().substr(text().size() - 10), "\r\n        ");

    // A selected block moves by four spaces either way.
    const std::string head = "def f(x):  # the colon counts before a comment\r\n";
    const std::string tail = "\r\n        }\r\n        s = 'a:'\r\n        ";
    editor.setSelection(1, 0, 2, 3);
    press(Qt::Key_Tab);
    EXPECT_EQ(text(), head + "        if x:\r\n            d = {" + tail);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(text(), head + "if x:\r\n    d = {" + tail);
    EXPECT_EQ(text().find('\t'), std::string::npos);
}
