// Replacing all hits of a long line in the real editor, with the real progress window: the
// user presses Escape while it works; what was done stays, as one step of undo.

#include "platform/Cp932.h"
#include "regex/Kregexp.h"
#include "support/HostDoubles.h"
#include "support/QuietMessages.h"
#include "windows/FakeFindDialog.h"
#include "windows/ProgressWindow.h"
#include "windows/ScintillaEditor.h"
#include "windows/logic/TextWindow.h"

#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ReplaceProgress, EscapeStopsReplaceAllAndOneUndoTakesBackWhatWasDone) {
    QuietMessages messages;
    ASSERT_TRUE(RegExpLoad(messages, VEXIL_BIN_DIR));
    ScintillaEditor editor;
    FakeFindDialog find;
    FakeClipboard clipboard;
    TextWindow window(editor, find, clipboard);
    // Many lines, so that the work lasts: each line is one question to the progress.
    std::string text;
    for (int i = 0; i < 20000; ++i)
        text += "ab ab ab\r\n";
    editor.SetWholeText(text);

    // Escape goes to the progress window once it shows some work done, as the user's key would.
    int escapes = 0;
    QTimer press;
    QObject::connect(&press, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget());
            dialog && dialog->value() > 0 && escapes == 0) {
            ++escapes;
            QTest::keyClick(dialog, Qt::Key_Escape);
        }
    });
    press.start(1);
    // Each question of the progress takes a little time, as a slow expression would.
    struct Slow : ProgressWindow {
        using ProgressWindow::ProgressWindow;
        bool Continue(double done) override {
            QTest::qSleep(1);
            return ProgressWindow::Continue(done);
        }
    } progress(&editor, QStringLiteral("置換しています…"), 0);
    const ReplaceAllResult result =
        window.ReplaceAll("(a)b", "<$1>", {true, true, false}, &progress);
    press.stop();
    EXPECT_EQ(escapes, 1);
    EXPECT_TRUE(progress.Shown());
    ASSERT_EQ(result.end, ReplaceAllResult::End::Stopped);
    ASSERT_GT(result.count, 0);
    ASSERT_LT(result.count, 60000);
    ASSERT_EQ(result.count % 3, 0);
    const std::size_t lines = static_cast<std::size_t>(result.count / 3);
    std::string expected;
    for (std::size_t i = 0; i < lines; ++i)
        expected += "<a> <a> <a>\r\n";
    expected += text.substr(lines * 10);
    EXPECT_EQ(editor.WholeText(), expected);
    editor.Undo();
    EXPECT_EQ(editor.WholeText(), text);
    EXPECT_FALSE(editor.CanUndo());
    RegExpUnload();
}
