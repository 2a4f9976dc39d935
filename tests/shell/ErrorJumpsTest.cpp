// The jumps from the error list into other files in the main window built offscreen, with a
// real perl child, real files and scripted dialogs: which file is shown and how, what the runs
// mean meanwhile, and what ends a visit.

#include "config/Kvexilconfig.h"
#include "shell/Main.h"
#include "support/HostDoubles.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"
#include "windows/Result.h"
#include "windows/Script.h"
#include "windows/Stderror.h"
#include "windows/logic/FileJump.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QStatusBar>
#include <QTest>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// The run's folder is the script's: the module is found there, also from the run's copy.
constexpr const char* kScript = "use lib '.';\n\nuse Mod;\n"
                                "print \"start\\n\"; warn \"careful\";\nMod::risky(-1);\n";
constexpr const char* kModule = "package Mod;\nsub risky { my $v = shift;\n"
                                "die \"bad value $v\" if $v < 0;\nprint \"value $v\\n\"; }\n1;\n";

class ErrorJumps : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(program.File("defs"));
        program.Write("defs/perl.def",
                      "[Language]\nName=Perl\nExt=pl,cgi\n[Environment]\nExePath=/usr/bin/perl\n"
                      "TempDir=" +
                          copies.Path() +
                          "\n[Debug]\nShowError=0\nRegExpErr=line [0-9]+\n"
                          "RegExpFile=at (.+?) line [0-9]+\nUseTagJumpToOtherFile=1\n");
        // A module's extension that another language claims: the jump must not take it.
        program.Write("defs/other.def", "[Language]\nName=Other\nExt=pm\n");
        script = work.Write("main.pl", kScript);
        module = work.Write("Mod.pm", kModule);
        main = std::make_unique<TFMain>(program.Path(),
                                        MainServices{&msgs, &dialogs, &clipboard, &launcher});
        main->InitialSetup(script, VEXIL_BIN_DIR);
    }
    void TearDown() override {
        EXPECT_EQ(msgs.PendingAnswers(), 0u);
        EXPECT_EQ(dialogs.PendingAnswers(), 0u);
        main.reset();
        QApplication::processEvents();
        std::filesystem::current_path(cwd);
    }

    TFScript& Script() { return main->Script(); }
    std::string Caption() { return main->windowTitle().toStdString(); }
    std::string Status() { return main->statusBar()->currentMessage().toStdString(); }
    QLabel* RunPanel() { return main->findChild<QLabel*>("RunScript"); }
    long long CaretLine() {
        return Script().Editor().LineFromPosition(Script().Editor().SelectionStart()) + 1;
    }
    void Run() { main->Action("MMExecuteScript")->trigger(); }
    // F9, then F4 to the script's warning and F4 again to the module's line.
    void RunAndJump() {
        Run();
        ASSERT_EQ(main->StdError().Count(), 2) << main->StdError().Entry(0);
        main->Action("MMNextError")->trigger();
        ASSERT_EQ(Script().GetFileName(), script);
        ASSERT_EQ(CaretLine(), 4);
        main->Action("MMNextError")->trigger();
    }

    std::filesystem::path cwd = std::filesystem::current_path();
    TempDir program, work, copies;
    std::string script, module;
    ScriptedMessages msgs;
    ScriptedDialogs dialogs;
    FakeClipboard clipboard;
    RecordingLauncher launcher;
    std::unique_ptr<TFMain> main;
};

} // namespace

TEST_F(ErrorJumps, F4ShowsTheModuleAtItsLineWithItsMarkAndAltLeftRestoresTheScript) {
    main->Config().SetReadOnly(true);
    Script().SetCodeChoice(0);
    const std::size_t recent = main->History().Count();
    RunAndJump();
    EXPECT_EQ(Script().GetFileName(), module);
    EXPECT_EQ(CaretLine(), 3);
    EXPECT_EQ(Script().Editor().MarkedLines(), (std::vector<TextPos>{2}));
    // In its own code, writable, in the language of the script the errors came from.
    EXPECT_EQ(Script().GetCodeChoice(), -1);
    EXPECT_FALSE(main->Config().ReadOnly);
    EXPECT_FALSE(Script().Editor().isReadOnly());
    EXPECT_EQ(main->Config().Current->Name, "Perl");
    EXPECT_EQ(main->History().Count(), recent);
    // Caption and status bar say what F9 runs; the folder stays the script's.
    EXPECT_NE(Caption().find("Mod.pm"), std::string::npos);
    EXPECT_NE(Caption().find("F9 で実行: main.pl"), std::string::npos) << Caption();
    ASSERT_NE(RunPanel(), nullptr);
    EXPECT_TRUE(RunPanel()->isVisibleTo(main.get()));
    EXPECT_EQ(RunPanel()->text().toStdString(), "F9: main.pl");
    EXPECT_EQ(std::filesystem::current_path().string(), work.Path());
    EXPECT_TRUE(main->Action("MMBack")->isEnabled());
    EXPECT_FALSE(main->Action("MMForward")->isEnabled());

    main->Action("MMBack")->trigger();
    EXPECT_EQ(Script().GetFileName(), script);
    EXPECT_EQ(CaretLine(), 4);
    EXPECT_EQ(Caption(), "Vexil2 - " + script);
    EXPECT_FALSE(RunPanel()->isVisibleTo(main.get()));
    EXPECT_EQ(Script().GetCodeChoice(), 0);
    EXPECT_TRUE(main->Config().ReadOnly);
    EXPECT_TRUE(Script().Editor().isReadOnly());
    // The warning's mark, the copy's name read as the script's.
    EXPECT_EQ(Script().Editor().MarkedLines(), (std::vector<TextPos>{3}));
    EXPECT_TRUE(main->Action("MMForward")->isEnabled());
    main->Action("MMForward")->trigger();
    EXPECT_EQ(Script().GetFileName(), module);
    EXPECT_EQ(CaretLine(), 3);
    EXPECT_EQ(Script().Editor().MarkedLines(), (std::vector<TextPos>{2}));
    EXPECT_EQ(msgs.Count(), 0u);
}

TEST_F(ErrorJumps, F9WhileTheModuleIsShownRunsTheScriptAfterTheModulesSaveQuestion) {
    RunAndJump();
    ASSERT_EQ(Script().GetFileName(), module);
    QTest::keyClicks(&Script().Editor(), "#");
    ASSERT_TRUE(Script().Modified);
    // Cancel: no run, nothing written.
    msgs.Answer(MessageAnswer::Cancel);
    Run();
    EXPECT_EQ(main->Result().GetText(), "start\n");
    EXPECT_EQ(ReadFileBytes(module), kModule);
    // No: the script runs as it is on disk, itself and not a copy (its language keeps no
    // TempDir now), with the module as it is on disk; the change stays in the editor.
    main->Config().Current->TempDir.clear();
    msgs.Answer(MessageAnswer::No);
    Run();
    EXPECT_EQ(main->Config().LastRunCopy, "");
    EXPECT_EQ(main->StdError().Count(), 2);
    EXPECT_EQ(ReadFileBytes(module), kModule);
    EXPECT_TRUE(Script().Modified);
    main->Config().Current->TempDir = copies.Path();
    // Yes saves the module; the script runs (its copy made from the file, as its language
    // keeps a TempDir), and finds the module changed.
    msgs.Answer(MessageAnswer::Yes);
    Run();
    EXPECT_NE(ReadFileBytes(module).find("\n#die "), std::string::npos);
    EXPECT_EQ(main->Result().GetText(), "start\nvalue -1\n");
    EXPECT_EQ(main->StdError().Count(), 1);
    // The marks of the new run's lines in the file shown: none name the module now.
    EXPECT_TRUE(Script().Editor().MarkedLines().empty());
    EXPECT_EQ(Script().GetFileName(), module);
    EXPECT_EQ(std::filesystem::current_path().string(), work.Path());
    ASSERT_EQ(msgs.Count(), 3u);
    EXPECT_EQ(msgs.Shown()[0].text, module + "は変更されています。保存しますか？");
    // The run's copy went again.
    EXPECT_TRUE(std::filesystem::is_empty(copies.Path()));
}

TEST_F(ErrorJumps, OpeningAFileByHandEndsTheVisit) {
    RunAndJump();
    ASSERT_TRUE(main->Jumps().Visiting());
    main->Action("MMNew")->trigger();
    EXPECT_FALSE(main->Jumps().Visiting());
    EXPECT_FALSE(main->Action("MMBack")->isEnabled());
    EXPECT_FALSE(RunPanel()->isVisibleTo(main.get()));
    EXPECT_EQ(Caption(), "Vexil2 * 新規スクリプト");
}

TEST_F(ErrorJumps, ACancelledOpenKeepsTheVisitAndAnOpenedFileEndsIt) {
    RunAndJump();
    dialogs.Answer(std::nullopt);
    main->Action("MMOpen")->trigger();
    EXPECT_TRUE(main->Jumps().Visiting());
    EXPECT_EQ(main->Jumps().RunScript(), script);
    dialogs.Answer(module);
    main->Action("MMOpen")->trigger();
    EXPECT_FALSE(main->Jumps().Visiting());
    EXPECT_EQ(main->Jumps().RunScript(), module);
}

TEST_F(ErrorJumps, AScriptNeverSavedIsSavedAsBeforeTheJumpOrTheJumpDoesNotHappen) {
    main->Action("MMNew")->trigger();
    QTest::keyClicks(&Script().Editor(),
                     "require '" + QString::fromStdString(module) + "'; Mod::risky(-2);");
    Run();
    ASSERT_EQ(main->StdError().Count(), 1);
    dialogs.Answer(std::nullopt);
    main->Action("MMNextError")->trigger();
    EXPECT_TRUE(Script().GetFileName().empty());
    EXPECT_NE(Status().find("保存されていない"), std::string::npos) << Status();
    EXPECT_FALSE(main->Jumps().Visiting());
    const std::string saved = work.File("new.pl");
    dialogs.Answer(saved);
    main->Action("MMNextError")->trigger();
    EXPECT_EQ(Script().GetFileName(), module);
    EXPECT_EQ(main->Jumps().RunScript(), saved);
    EXPECT_EQ(ReadFileBytes(saved).rfind("require '", 0), 0u);
}

TEST_F(ErrorJumps, AMissingFileIsSaidAndTheExternalEditorIsUnchanged) {
    Run();
    ASSERT_EQ(main->StdError().Count(), 2);
    std::filesystem::rename(module, work.File("Gone.pm"));
    main->Action("MMNextError")->trigger();
    main->Action("MMNextError")->trigger();
    EXPECT_EQ(Script().GetFileName(), script);
    EXPECT_NE(Status().find(module), std::string::npos) << Status();
    EXPECT_NE(Status().find("見つかりません"), std::string::npos) << Status();
    std::filesystem::rename(work.File("Gone.pm"), module);
    // With the external editor, the jump hands it the module as before.
    main->Config().UseTagJump = true;
    main->Config().Editor = "/bin/true";
    main->Config().TagJumpText = "%F:%L";
    main->Action("MMNextError")->trigger();
    main->Action("MMNextError")->trigger();
    ASSERT_EQ(launcher.Started.size(), 2u);
    EXPECT_EQ(launcher.Started[0], (std::vector<std::string>{"/bin/true", script + ":4"}));
    EXPECT_EQ(launcher.Started[1], (std::vector<std::string>{"/bin/true", module + ":3"}));
    EXPECT_EQ(Script().GetFileName(), script);
    EXPECT_FALSE(main->Jumps().Visiting());
}

TEST_F(ErrorJumps, AModuleChangedOnDiskIsReadAgainInTheScriptsLanguage) {
    RunAndJump();
    ASSERT_EQ(Script().GetFileName(), module);
    main->Config().AutoRefresh = true;
    WriteFileBytes(module, std::string(kModule) + "# more\n");
    struct stat st {};
    ASSERT_EQ(::stat(module.c_str(), &st), 0);
    timespec times[2] = {st.st_atim, st.st_mtim};
    times[1].tv_sec += 5;
    ASSERT_EQ(::utimensat(AT_FDCWD, module.c_str(), times, 0), 0);
    QEvent activation(QEvent::ActivationChange);
    QApplication::sendEvent(main.get(), &activation);
    EXPECT_NE(Script().Editor().WholeText().find("# more"), std::string::npos);
    EXPECT_EQ(main->Config().Current->Name, "Perl");
    // F4 still reads the error list with the script's expressions: on to the script's line.
    main->Action("MMNextError")->trigger();
    EXPECT_EQ(Script().GetFileName(), script);
    EXPECT_EQ(CaretLine(), 4);
    EXPECT_FALSE(main->Jumps().Visiting());
}
