// The three settings dialogs as widgets, offscreen: what they show, what OK, Set, Cancel, Enter
// and Esc do, the enable rules and the hot-key field.
#include "config/qt/Config.h"
#include "config/qt/Langconfig.h"
#include "config/qt/Newlang.h"
#include "platform/Browse.h"
#include "support/HostDoubles.h"
#include "support/ModalDialogs.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Lines = std::vector<std::string>;

struct Desk {
    TempDir dir;
    ScriptedMessages messages;
    ScriptedDialogs dialogs;
    Lines calls;
    std::unique_ptr<KVexilConfig> config;

    Desk() {
        std::filesystem::create_directories(dir.File("defs"));
        dir.Write("defs/perl.def", "[Language]\nName=Perl\n[Environment]\nExePath=/bin/sh\n");
        dir.Write("defs/ruby.def", "[Language]\nName=Ruby\n[Environment]\nExePath=/no/ruby\n");
        KVexilConfigCallbacks c;
        c.RegisterGlobalHotKey = [this](uint16_t k) {
            calls.push_back("register " + std::to_string(k));
        };
        c.UnregisterGlobalHotKey = [this] { calls.push_back("unregister"); };
        config = std::make_unique<KVexilConfig>(dir.Path(), messages, nullptr, c);
        // Nothing on PATH while the folder is read: only the two languages written here are
        // listed, whichever interpreters and test runners this machine has.
        const std::string path = std::getenv("PATH") ? std::getenv("PATH") : "";
        TempDir empty;
        ::setenv("PATH", empty.Path().c_str(), 1);
        config->LoadDefFiles();
        ::setenv("PATH", path.c_str(), 1);
    }
};

std::string S(const QLineEdit* e) {
    return e->text().toStdString();
}

} // namespace

TEST(EnvironmentDialog, FillEnableRulesHotKeyFieldOkAndCancel) {
    Desk d;
    d.config->SetHotKey(true, 0x4000 | 'K');
    d.config->DontChangeDirFromDesktop = true;
    d.config->TagJumpText = "+%L %F";
    d.calls.clear();
    TFConfig dialog(d.dialogs);
    dialog.Fill(*d.config);
    dialog.show();
    EXPECT_EQ(dialog.PageControl1->currentIndex(), 0);
    EXPECT_EQ(S(dialog.EdTagJumpText), "+%L %F");
    EXPECT_TRUE(dialog.HotKey->isEnabled());
    EXPECT_EQ(dialog.HotKey->Code(), 0x4000 | 'K');
    // Greyed while its box is off, but its value stays and goes back on OK.
    EXPECT_FALSE(dialog.CBDontChangeDirFromDesktop->isEnabled());
    EXPECT_TRUE(dialog.CBDontChangeDirFromDesktop->isChecked());
    dialog.CBChangeCurrentDirOnDrop->click();
    EXPECT_TRUE(dialog.CBDontChangeDirFromDesktop->isEnabled());
    dialog.CBChangeCurrentDirOnDrop->click();

    // The field takes Ctrl or Alt combinations; a bare key or Shift alone is no key.
    QTest::keyClick(dialog.HotKey, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(dialog.HotKey->Code(), 0xC000 | 'J');
    QTest::keyClick(dialog.HotKey, Qt::Key_F5, Qt::AltModifier);
    EXPECT_EQ(dialog.HotKey->Code(), 0x8000 | 0x74);
    QTest::keyClick(dialog.HotKey, Qt::Key_J, Qt::ShiftModifier);
    EXPECT_EQ(dialog.HotKey->Code(), 0);
    EXPECT_EQ(dialog.HotKey->text(), "なし");
    QTest::keyClick(dialog.HotKey, Qt::Key_J, Qt::ControlModifier);

    // Cancel after edits changes nothing; opening again shows the stored values.
    dialog.EdEditor->setText("/opt/edit");
    dialog.BtCancel->click();
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_NE(d.config->Editor, "/opt/edit");
    EXPECT_TRUE(d.calls.empty());
    dialog.Fill(*d.config);
    EXPECT_EQ(dialog.HotKey->Code(), 0x4000 | 'K');

    // Unticked and OK (Enter is OK): released at once, the code kept; the file not written.
    dialog.CBUseHotKey->click();
    EXPECT_FALSE(dialog.HotKey->isEnabled());
    dialog.EdTempBat->setText(" run.sh");
    dialog.show();
    QTest::keyClick(dialog.EdTempBat, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(d.calls, Lines{"unregister"});
    EXPECT_FALSE(d.config->UseHotKey);
    EXPECT_EQ(d.config->HotKey, 0x4000 | 'K');
    EXPECT_EQ(d.config->TempBat, " run.sh");
    EXPECT_TRUE(d.config->DontChangeDirFromDesktop);
    EXPECT_FALSE(std::filesystem::exists(d.config->CfgPath));
}

TEST(LanguageDialog, EnterIsOkWithItsChecksEscCancelsAndTheSwitchStays) {
    Desk d;
    TFLangConfig dialog(d.messages, d.dialogs);
    dialog.Fill(*d.config);
    dialog.show();
    EXPECT_EQ(dialog.CBLanguage->count(), 2);
    EXPECT_EQ(dialog.CBLanguage->currentText(), "Perl");
    EXPECT_EQ(S(dialog.EdExePath), "/bin/sh");
    for (QPushButton* button : dialog.findChildren<QPushButton*>())
        EXPECT_FALSE(button->autoDefault()) << "Enter is OK, whatever button looks the default";

    // Switching languages drops unapplied edits; Esc then cancels, the switch stays.
    dialog.EdOption->setText("-unapplied");
    dialog.CBLanguage->setCurrentIndex(1);
    EXPECT_EQ(S(dialog.EdExePath), "/no/ruby");
    dialog.CBLanguage->setCurrentIndex(0);
    EXPECT_EQ(S(dialog.EdOption), "");
    dialog.CBLanguage->setCurrentIndex(1);
    QTest::keyClick(dialog.EdOption, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(d.config->Current->Name, "Ruby");
    EXPECT_FALSE(std::filesystem::exists(d.config->CfgPath));

    // Enter in any field is OK, checks included: Ruby's interpreter is missing.
    dialog.Fill(*d.config);
    dialog.show();
    dialog.PageControl->setCurrentWidget(dialog.TSDebug);
    QTest::keyClick(dialog.EdRegExpErr, Qt::Key_Return);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(d.messages.Count(), 1u);
    EXPECT_EQ(dialog.PageControl->currentWidget(), dialog.TSEnvironment);
    EXPECT_EQ(dialog.focusWidget(), dialog.EdExePath);

    // Set applies without checks and shows the folder as stored; OK then closes.
    dialog.EdTempDir->setText("/tmp/");
    dialog.BtSet->click();
    EXPECT_EQ(S(dialog.EdTempDir), "/tmp");
    EXPECT_EQ(KDefConfig(d.dir.File("defs/ruby.def")).TempDir, "/tmp");
    dialog.EdExePath->setText("/bin/true");
    dialog.PageControl->setCurrentWidget(dialog.TSEditor);
    QTest::keyClick(dialog.CBUseHelpFile, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(KDefConfig(d.dir.File("defs/ruby.def")).ExePath, "/bin/true");
    EXPECT_TRUE(std::filesystem::exists(d.config->CfgPath));

    // The page last shown comes back with the next opening.
    dialog.Fill(*d.config);
    EXPECT_EQ(dialog.PageControl->currentWidget(), dialog.TSEditor);
}

TEST(NewLanguageDialog, StaysOpenOnRefusalAndKeepsItsTexts) {
    Desk d;
    TFNewLang dialog(d.messages, d.dialogs);
    WhenModal first("FNewLang", [&](QWidget*) {
        dialog.EdLangName->setText(" Lua ");
        dialog.EdLangPath->setText("/no/lua");
        dialog.BtOK->click();
        EXPECT_TRUE(dialog.isVisible()) << "refused, still open";
        d.dialogs.Answer("/bin/sh");
        dialog.BtBrowse->click();
        dialog.BtOK->click();
    });
    EXPECT_TRUE(dialog.Run());
    EXPECT_EQ(d.messages.Texts(), Lines{"ファイル /no/luaは存在しません"});
    EXPECT_EQ(dialog.LanguageName(), "Lua");
    EXPECT_EQ(dialog.LanguagePath(), "/bin/sh");

    WhenModal again("FNewLang", [&](QWidget*) {
        EXPECT_EQ(S(dialog.EdLangName), " Lua ");
        QTest::keyClick(dialog.EdLangName, Qt::Key_Escape);
    });
    EXPECT_FALSE(dialog.Run());
    EXPECT_EQ(again.Count(), 1);
}

TEST(SettingsDialogs, APastedLineBreakIsTheBlankTheFieldShowsAndIsStored) {
    Desk d;
    QClipboard* clipboard = QGuiApplication::clipboard();

    // The language dialog: pasted into two fields, Set stores and shows what the fields showed.
    TFLangConfig lang(d.messages, d.dialogs);
    lang.Fill(*d.config);
    lang.show();
    clipboard->setText("-w\n-T");
    lang.EdOption->selectAll();
    lang.EdOption->paste();
    clipboard->setText("line\r\n[0-9]+");
    lang.EdRegExpErr->selectAll();
    lang.EdRegExpErr->paste();
    ASSERT_EQ(S(lang.EdOption), "-w\n-T") << "the field holds the line break as pasted";
    lang.BtSet->click();
    EXPECT_EQ(d.messages.Count(), 0u);
    EXPECT_EQ(S(lang.EdOption), "-w -T");
    EXPECT_EQ(S(lang.EdRegExpErr), "line  [0-9]+");
    const KDefConfig perl(d.dir.File("defs/perl.def"));
    EXPECT_EQ(perl.Option, "-w -T");
    EXPECT_EQ(perl.RegExpErr, "line  [0-9]+");
    lang.close();

    // The environment dialog: OK takes it the same way, and the next save writes it.
    TFConfig env(d.dialogs);
    env.Fill(*d.config);
    env.show();
    clipboard->setText("/usr/bin/\nvim");
    env.EdEditor->selectAll();
    env.EdEditor->paste();
    env.BtOK->click();
    EXPECT_EQ(d.config->Editor, "/usr/bin/ vim");
    ASSERT_NO_THROW(d.config->Save());
    KVexilConfig reread(d.dir.Path(), d.messages);
    reread.LoadDefFiles();
    reread.Load();
    EXPECT_EQ(reread.Editor, "/usr/bin/ vim");
}

TEST(SettingsDialogs, BrowseButtonsHandTheirFieldsPathToTheFileDialog) {
    Desk d;
    TFConfig env(d.dialogs);
    env.Fill(*d.config);
    env.EdEditor->setText("/usr/bin/vi");
    env.EdTempHtml->setText("out/page.html");
    env.BtBrouse->click();
    env.BtBrouseTempHtml->click();
    ASSERT_EQ(d.dialogs.Opens.size(), 2u);
    EXPECT_EQ(d.dialogs.Opens[0].fileName, "/usr/bin/vi");
    EXPECT_EQ(d.dialogs.Opens[1].fileName, "out/page.html");

    TFLangConfig lang(d.messages, d.dialogs);
    lang.Fill(*d.config);
    lang.EdHelpFile->setText("/doc/perl.html");
    lang.BtBrouseExepath->click();
    lang.BtBrouseHelpFile->click();
    ASSERT_EQ(d.dialogs.Opens.size(), 4u);
    EXPECT_EQ(d.dialogs.Opens[2].fileName, "/bin/sh");
    EXPECT_EQ(d.dialogs.Opens[3].fileName, "/doc/perl.html");

    TFNewLang newLang(d.messages, d.dialogs);
    newLang.EdLangPath->setText("/usr/bin/lua5.4");
    d.dialogs.Answer("/usr/bin/lua");
    newLang.BtBrowse->click();
    EXPECT_EQ(d.dialogs.Opens.back().fileName, "/usr/bin/lua5.4");
    EXPECT_EQ(S(newLang.EdLangPath), "/usr/bin/lua");
}
