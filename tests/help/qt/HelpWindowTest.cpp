// Help and About as the user meets them: F1 in a Perl script, the contents of the program's
// own help, the viewer's anchors, occurrences, index and links, and the About box's keys.

#include "help/Khelp.h"
#include "help/qt/Hhelp.h"
#include "help/qt/Version.h"
#include "shell/Main.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/Script.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::string Lines(size_t count, const std::string& line) {
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += line + "\n";
    return text;
}

std::string Text(QTextBrowser* b) {
    return b->toPlainText().toStdString();
}

TEST(HelpWindow, F1OnAPerlBuiltInShowsItsEntryAndTheMenuShowsTheProgramsHelp) {
    TempDir program, work;
    std::filesystem::create_directories(program.File("defs"));
    // A stock Perl: no help file set up for it.
    program.Write("defs/perl.def", "[Language]\nName=Perl\nExt=pl\n[Environment]\n"
                                   "ExePath=/usr/bin/perl\nUseHelpFile=1\nHelpFile=\n");
    std::filesystem::copy_file(std::string(VEXIL_BIN_DIR) + "/VexilPro.hlp",
                               program.File("VexilPro.hlp"));
    ScriptedMessages msgs;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    TFMain main(program.Path(), MainServices{&msgs, &dialogs, &clipboard, &launcher});
    main.InitialSetup(work.Write("hello.pl", "my $x = 1;\nprint \"hi\\n\";\n"), VEXIL_BIN_DIR);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));

    main.Script().Editor().SetSelection(main.Script().Editor().PositionFromLine(1) + 3, 0);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
    ASSERT_TRUE(main.HelpViewerWindow().Made());
    TFHelp& help = main.HelpViewerWindow().Window();
    EXPECT_TRUE(help.isVisible());
    EXPECT_EQ(help.windowTitle().toStdString(), "Vexil - ヘルプ - perldoc -f print");
    EXPECT_NE(Text(help.Browser()).find("Prints a string or a list of strings."),
              std::string::npos);
    EXPECT_EQ(msgs.Count(), 0u) << msgs.Texts()[0];

    // The menu's contents are the program's own help, from its top.
    ASSERT_TRUE(main.Dispatch("MMContents"));
    EXPECT_EQ(help.File(), program.File("VexilPro.hlp"));
    EXPECT_EQ(help.Browser()->verticalScrollBar()->value(), 0);
    EXPECT_NE(Text(help.Browser()).find("目次"), std::string::npos);
    EXPECT_EQ(msgs.Count(), 0u);

    // The About box is modal; Esc closes it.
    QTimer::singleShot(0, [] {
        if (QWidget* box = QApplication::activeModalWidget())
            QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key_Escape);
    });
    ASSERT_TRUE(main.Dispatch("MMVersion"));
    ASSERT_NE(main.VersionBox(), nullptr);
    EXPECT_FALSE(main.VersionBox()->isVisible());
}

TEST(HelpWindow, KeywordsLandOnAnchorsAndTextElseTheIndex) {
    TempDir dir;
    std::string filler;
    for (int i = 0; i < 200; ++i)
        filler += "<p>line " + std::to_string(i) + "</p>\n";
    std::string file =
        dir.Write("lang.html",
                  "<html><body><h1>Lang</h1>" + filler + "<h2><a name=\"each\">each</a></h2>" +
                      filler + "<h2>Other</h2><p>the needle here</p>" + filler + "</body></html>");
    dir.Write("second.html", "<h1>Second page</h1>");
    ScriptedMessages msgs;
    RecordingLauncher launcher;
    TFHelp help(msgs, launcher);
    QScrollBar* bar = help.Browser()->verticalScrollBar();

    help.ShowKeyword(file, "each");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&help));
    EXPECT_FALSE(help.ShowingIndex());
    int atEach = bar->value();
    EXPECT_GT(atEach, 0);

    help.ShowKeyword(file, "needle");
    EXPECT_EQ(help.Browser()->textCursor().selectedText().toStdString(), "needle");
    EXPECT_GT(bar->value(), atEach);

    help.ShowKeyword(file, "missing");
    EXPECT_TRUE(help.ShowingIndex());
    EXPECT_NE(Text(help.Browser()).find("「missing」は見つかりませんでした。"), std::string::npos);
    // An index entry leads to its heading in the file, also one without an anchor of its own.
    emit help.Browser()->anchorClicked(QUrl("#each"));
    EXPECT_FALSE(help.ShowingIndex());
    EXPECT_EQ(bar->value(), atEach);
    help.ShowKeyword(file, "");
    emit help.Browser()->anchorClicked(QUrl("#vexil-heading-3"));
    EXPECT_GT(bar->value(), atEach);

    // Links: another help file stays here, the web goes to the desktop.
    emit help.Browser()->anchorClicked(QUrl("second.html"));
    EXPECT_EQ(help.File(), dir.File("second.html"));
    EXPECT_NE(Text(help.Browser()).find("Second page"), std::string::npos);
    // Back returns step by step: to the heading, then to the index it was chosen from.
    help.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&help));
    QTest::keyClick(help.Browser(), Qt::Key_Left, Qt::AltModifier);
    EXPECT_EQ(help.File(), file);
    EXPECT_GT(bar->value(), atEach);
    help.BackAction()->trigger();
    EXPECT_TRUE(help.ShowingIndex());
    ::unsetenv("VEXIL_OPENER");
    emit help.Browser()->anchorClicked(QUrl("https://example.org/x"));
    EXPECT_EQ(launcher.Started,
              (std::vector<std::vector<std::string>>{{"xdg-open", "https://example.org/x"}}));
    EXPECT_EQ(msgs.Count(), 0u);

    // Esc closes the viewer.
    QTest::keyClick(help.Browser(), Qt::Key_Escape);
    EXPECT_FALSE(help.isVisible());
}

// A help file may come from anyone: a shared definition names one. None of these may crash,
// hang or fill memory (the ctest time limit catches a hang); each is shown, bounded.
TEST(HelpWindow, HostilePagesAreShownBoundedAndTheirLinksGoNowhereUnsafe) {
    TempDir dir;
    ASSERT_EQ(::mkfifo(dir.File("fifo").c_str(), 0600), 0);
    std::string nested, divs, word(1 << 20, 'w');
    for (int i = 0; i < 5000; ++i)
        nested += "<table><tr><td>";
    for (int i = 0; i < 100000; ++i)
        divs += "<div>";
    // Each page with the text it must show.
    const std::tuple<std::string, std::string, std::string> pages[] = {
        {"tables.html", nested + "deep tables", "deep tables"},
        {"divs.html", divs + "deep divs", "deep divs"},
        {"word.html", "<p>" + word + " one word</p>", "one word"},
        {"word.txt", word + " one word\n", "one word"},
        {"pictures.html", "<img src=\"/dev/zero\"><img src=\"fifo\"><img src=\"/\">pictures",
         "pictures"},
        {"huge.txt", Lines(kLargestHelpPage / 64, std::string(63, 'x')) + "the end\n",
         kHelpPageCut},
    };
    ScriptedMessages msgs;
    RecordingLauncher launcher;
    TFHelp help(msgs, launcher);
    for (const auto& [name, content, shows] : pages) {
        SCOPED_TRACE(name);
        help.ShowContents(dir.Write(name, content));
        EXPECT_EQ(help.File(), dir.File(name));
        EXPECT_NE(Text(help.Browser()).find(shows), std::string::npos);
    }
    // The cut page says so and stops before its end.
    EXPECT_EQ(Text(help.Browser()).find("the end"), std::string::npos);
    EXPECT_EQ(msgs.Count(), 0u) << msgs.Texts()[0];

    // A FIFO or a device as the help file itself is refused with a word, not opened.
    help.ShowContents(dir.File("fifo"));
    help.ShowContents("/dev/zero");
    EXPECT_EQ(msgs.Count(), 2u);

    // Links go out only to the web and mail, and in only to help pages; anything else is
    // shown as an address and nothing is started.
    help.ShowContents(dir.File("word.txt"));
    for (const char* link : {"file:///bin/true", "foo:bar", "tables.sh", "javascript:x()"}) {
        SCOPED_TRACE(link);
        const size_t before = msgs.Count();
        emit help.Browser()->anchorClicked(QUrl(link));
        ASSERT_EQ(msgs.Count(), before + 1);
        EXPECT_NE(msgs.Texts().back().find("このリンクは開きません"), std::string::npos);
    }
    EXPECT_TRUE(launcher.Started.empty());
    EXPECT_EQ(help.File(), dir.File("word.txt"));
    ::unsetenv("VEXIL_OPENER");
    emit help.Browser()->anchorClicked(QUrl("mailto:a@example.org"));
    EXPECT_EQ(launcher.Started.size(), 1u);
    emit help.Browser()->anchorClicked(QUrl("tables.html"));
    EXPECT_EQ(help.File(), dir.File("tables.html"));
}

TEST(HelpWindow, AboutBoxClosesOnEnterAndEscAndOffersTheAddress) {
    RecordingLauncher launcher;
    TFVersion box(launcher);
    // The addresses name the program alone, on its placeholder domain.
    EXPECT_TRUE(box.EdAddress->text().endsWith("@vexilpro.example")) << kProjectMail;
    EXPECT_TRUE(box.Label5->text().startsWith("https://vexilpro.example/")) << kProjectHomePage;
    const std::pair<const char*, Qt::Key> keys[] = {
        {"Enter in the address", Qt::Key_Return},
        {"Esc in the address", Qt::Key_Escape},
        {"keypad Enter", Qt::Key_Enter},
    };
    for (const auto& [what, key] : keys) {
        SCOPED_TRACE(what);
        box.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
        // Each show puts the focus in the address, selected whole.
        EXPECT_EQ(QApplication::focusWidget(), box.EdAddress);
        EXPECT_EQ(box.EdAddress->selectedText().toStdString(), kProjectMail);
        box.EdAddress->deselect();
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_FALSE(box.isVisible());
    }
    // Esc on the button too.
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    box.Button1->setFocus();
    QTest::keyClick(box.Button1, Qt::Key_Escape);
    EXPECT_FALSE(box.isVisible());

    ::unsetenv("VEXIL_OPENER");
    box.show();
    QTest::mouseClick(box.Label5, Qt::LeftButton);
    EXPECT_EQ(launcher.Started,
              (std::vector<std::vector<std::string>>{{"xdg-open", kProjectHomePage}}));
    QTest::mouseClick(box.Button1, Qt::LeftButton);
    EXPECT_FALSE(box.isVisible());
}

} // namespace
