#include "cgi/qt/Editor.h"
#include "encoding/Codeconv.h"
#include "exec/Kexecproc.h"
#include "platform/qt/QtMessageService.h"
#include "support/ScriptedMessages.h"
#include "support/TempDir.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

// Keys go where a user's would: to whatever has the focus now.
void Type(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
}
void Enter() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
}
// Text as an input method commits it: any character, without a key for it.
void Commit(const QString& text) {
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(QApplication::focusWidget(), &event);
}

// An editor shown and active, with its own request.
struct Shown {
    ScriptedMessages messages;
    KCgiData data{messages};
    TFEditor editor{data, messages};
    Shown() {
        editor.show();
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
};

void ClickRow(QTableWidget* grid, int row) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(row, 0)).center());
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

std::string Unhex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

// What a CGI script made of its request: its environment, its form fields and its cookies,
// each name and value decoded from the form's code by Perl's own Encode and shown as UTF-8.
struct ChildView {
    std::map<std::string, std::string> env;
    Pairs form, cookies;
};

constexpr const char* kCgiScript = R"(use strict; use warnings; use Encode ();
my ($code, $envCode) = @ARGV;
binmode STDOUT;
sub text { my ($b, $c) = @_; unpack('H*', Encode::encode('UTF-8', Encode::decode($c // $code, $b, Encode::FB_CROAK))) }
sub unurl { my $s = shift; $s =~ tr/+/ /; $s =~ s/%([0-9A-Fa-f]{2})/chr(hex($1))/ge; $s }
sub pairs { my ($kind, $sep, $text) = @_;
  for (split $sep, $text) { my ($n, $v) = split /=/, $_, 2; print "$kind\t", text(unurl($n)), "\t", text(unurl($v // '')), "\n" } }
print "env\t", text($_, $envCode), "\t", text($ENV{$_}, $envCode), "\n" for sort keys %ENV;
my $form = $ENV{REQUEST_METHOD} eq 'POST' ? do { local $/; my $b = <STDIN>; $b // '' } : $ENV{QUERY_STRING};
pairs('form', qr/&/, $form);
pairs('cookie', qr/; /, $ENV{HTTP_COOKIE});
)";

ChildView RunChild(const KCgiData& data, const std::string& script, const char* perlCode,
                   const char* envCode) {
    ScriptedMessages messages;
    KExecProc proc("/usr/bin/perl \"" + script + "\" " + perlCode + " " + envCode, messages);
    data.BuildEnvironment(proc);
    EXPECT_TRUE(proc.Run()) << proc.StdErr().ToString();
    ChildView view;
    std::string out = proc.StdOut().ToString();
    size_t p = 0;
    while (p < out.size()) {
        size_t end = out.find('\n', p);
        std::string line = out.substr(p, end - p);
        p = end + 1;
        size_t tab1 = line.find('\t'), tab2 = line.find('\t', tab1 + 1);
        std::string kind = line.substr(0, tab1);
        std::string name = Unhex(line.substr(tab1 + 1, tab2 - tab1 - 1));
        std::string value = Unhex(line.substr(tab2 + 1));
        if (kind == "env")
            view.env[name] = value;
        else
            (kind == "form" ? view.form : view.cookies).emplace_back(name, value);
    }
    return view;
}

} // namespace

TEST(FormEditor, EnterWalksThroughEachPageAndEscHides) {
    ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR)); // the request is URL-encoded through the converter
    ScriptedMessages messages;
    KCgiData data(messages);
    TFEditor editor(data, messages);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    EXPECT_EQ(editor.windowTitle(), "フォームエディタ");
    EXPECT_EQ(editor.PageControl1->currentIndex(), 1) << "opens on the form data page";
    EXPECT_EQ(editor.PCFormData->currentIndex(), 0) << "with the TEXT sub-page";

    editor.PageControl1->setCurrentIndex(0);
    editor.CbEnvName->setFocus();
    Type("TZ");
    Enter();
    EXPECT_EQ(QApplication::focusWidget(), editor.EdEnvValue);
    Type("JST-9");
    Enter();
    ASSERT_EQ(data.Env.Count(), 1);
    EXPECT_EQ(data.Env[0].Value, "JST-9");
    EXPECT_EQ(editor.SgEnvData->item(0, 0)->text(), "TZ");
    EXPECT_EQ(editor.CbEnvName->currentText(), "") << "cleared after the add";
    Type("path"); // the list offers PATH: variable names are case-sensitive all the same
    Enter();
    Type("/bin");
    Enter();
    ASSERT_EQ(data.Env.Count(), 2);
    EXPECT_EQ(data.Env[1].Name, "path");

    editor.PageControl1->setCurrentIndex(1);
    editor.PCFormData->setCurrentIndex(1);
    editor.EdTextareaName->setFocus();
    Type("memo");
    Enter();
    EXPECT_EQ(QApplication::focusWidget(), editor.MemoTextarea);
    editor.MemoTextarea->insertPlainText("一行目"); // what an input method commits
    Enter();                                        // a new line in the memo, not the add button
    Type("2");
    EXPECT_EQ(data.Form.Count(), 0);
    editor.BtAddForm->click();
    ASSERT_EQ(data.Form.Count(), 1);
    EXPECT_EQ(data.Form[0].Value, "一行目\r\n2");

    editor.PCFormData->setCurrentIndex(2);
    editor.EdCheckboxName->setFocus();
    Type("agree");
    Enter();
    EXPECT_EQ(QApplication::focusWidget(), editor.CbCheckboxValue);
    QTest::keyClick(editor.CbCheckboxValue, Qt::Key_Space);
    Enter();
    ASSERT_EQ(data.Form.Count(), 2);
    EXPECT_EQ(data.Form[1].Value, "on");
    EXPECT_EQ(editor.SgFormData->item(1, 0)->text(), "CHECKBOX");

    editor.PageControl1->setCurrentIndex(2);
    editor.EdCookieExpires->setFocus();
    Enter();
    EXPECT_EQ(QApplication::focusWidget(), editor.EdCookieDomain);
    Enter();
    Enter();
    EXPECT_EQ(QApplication::focusWidget(), editor.CBCookieSecure);
    editor.EdCookieName->setFocus();
    Type("id");
    Enter();
    Type("7");
    Enter();
    ASSERT_EQ(data.Cookie.Count(), 1);
    EXPECT_EQ(data.CookieString(), "id=7");
    EXPECT_EQ(QApplication::focusWidget(), editor.EdCookieName);

    editor.MMPOST->trigger();
    editor.MMEUC->trigger();
    EXPECT_EQ(data.Method, KCgiData::Post);
    EXPECT_EQ(data.FormCode, 1);
    editor.MMStayOnTop->trigger();
    EXPECT_TRUE(editor.StayOnTop());
    EXPECT_TRUE(editor.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(editor.isVisible()) << "stay-on-top keeps the window shown";

    // Esc in an open menu closes the menu only, and leaves no menu without its window.
    QMenu* settings = editor.menuBar()->actions().at(0)->menu();
    settings->popup(editor.mapToGlobal(QPoint(0, 0)));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == settings; }));
    QTest::keyClick(settings, Qt::Key_Escape);
    EXPECT_FALSE(settings->isVisible());
    EXPECT_TRUE(editor.isVisible());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(editor.isVisible());
    EXPECT_EQ(data.Cookie.Count(), 1) << "hiding keeps the data";
    EXPECT_EQ(messages.Count(), 0u);
}

TEST(FormEditor, ItsMessagesShowOverItAndLeaveItsFocusAlone) {
    QWidget main; // the window messages belong to when no other is active
    QtMessageService messages(&main);
    KCgiData data(messages);
    TFEditor editor(data, messages);
    main.show();
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    editor.PageControl1->setCurrentIndex(1);
    editor.EdTextValue->setFocus();
    QWidget* owner = nullptr;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        owner = box->parentWidget();
        QTest::keyClick(box, Qt::Key_Return);
    });
    Enter(); // no name: refused with a message
    EXPECT_EQ(owner, &editor);
    EXPECT_EQ(data.Form.Count(), 0);
    // Where the keys go when the window is active again after the box: the same field.
    EXPECT_EQ(editor.focusWidget(), editor.EdTextValue);
}

// One entry of each kind typed as an input method commits it, in each code, reaches a real
// Perl child by GET and by POST: its environment, QUERY_STRING or standard input, and
// HTTP_COOKIE decode to exactly the text typed.
TEST(FormEditor, EveryKindOfEntryReachesARealChildAsTypedInEachCode) {
    ASSERT_TRUE(NkfLoad(VEXIL_BIN_DIR));
    TempDir dir;
    const std::string script = dir.Write("cgi.pl", kCgiScript);
    struct Row {
        const char* menu;     // 設定 > 文字コード
        const char* perlCode; // how the script decodes the form
        const char* envCode;  // and its environment: as typed, UTF-8 or CP932
        QString text;
    };
    const Row rows[] = {
        {"MMUTF8", "UTF-8", "UTF-8", "é😀"},
        {"MMSJIS", "cp932", "cp932", "日本ｶﾅ①"},
        {"MMEUC", "euc-jp", "cp932", "日本ｶﾅ"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.menu);
        Shown s;
        TFEditor& e = s.editor;
        EXPECT_TRUE(e.MMUTF8->isChecked()) << "UTF-8 is the start";
        e.findChild<QAction*>(r.menu)->trigger();
        const std::string text = r.text.toStdString();

        // A name, Enter, a value, Enter: the walk of the environment, TEXT and cookie inputs.
        auto pair = [](QWidget* name, const QString& n, const QString& v) {
            name->setFocus();
            Commit(n);
            Enter();
            Commit(v);
            Enter();
        };
        e.PageControl1->setCurrentIndex(0);
        pair(e.CbEnvName, "V_" + r.text, r.text);
        e.PageControl1->setCurrentIndex(1);
        pair(e.EdTextName, "t" + r.text, r.text);
        e.PCFormData->setCurrentIndex(1);
        e.EdTextareaName->setFocus();
        Commit("a" + r.text);
        Enter();
        Commit(r.text);
        Enter(); // a new line in the memo
        Commit(r.text);
        e.BtAddForm->click();
        e.PCFormData->setCurrentIndex(2);
        e.EdCheckboxName->setFocus();
        Commit("c" + r.text);
        Enter();
        QTest::keyClick(e.CbCheckboxValue, Qt::Key_Space);
        Enter();
        e.PageControl1->setCurrentIndex(2);
        pair(e.EdCookieName, "k" + r.text, r.text);
        ASSERT_EQ(s.messages.Count(), 0u) << s.messages.Texts()[0];
        EXPECT_EQ(e.SgEnvData->item(0, 1)->text(), r.text) << "the grid shows the text";

        const Pairs form{
            {"t" + text, text}, {"a" + text, text + "\r\n" + text}, {"c" + text, "on"}};
        const Pairs cookies{{"k" + text, text}};
        for (const char* method : {"MMGET", "MMPOST"}) {
            SCOPED_TRACE(method);
            e.findChild<QAction*>(method)->trigger();
            ChildView child = RunChild(s.data, script, r.perlCode, r.envCode);
            EXPECT_EQ(child.env["V_" + text], text);
            EXPECT_EQ(child.form, form);
            EXPECT_EQ(child.cookies, cookies);
            const bool post = std::string(method) == "MMPOST";
            EXPECT_EQ(child.env.count("QUERY_STRING"), post ? 0u : 1u);
            EXPECT_EQ(child.env["REQUEST_METHOD"], post ? "POST" : "GET");
            EXPECT_EQ(child.env.count("PATH"), 0u) << "the request is the whole environment";
        }
    }
}

// Whatever moves the grid's selection, the inputs show that entry and 削除 removes it.
TEST(FormEditor, KeysAndClicksInTheGridChooseWhatRemoveRemoves) {
    Shown s;
    TFEditor& e = s.editor;
    struct Row {
        int page;
        QTableWidget* grid;
        QPushButton* remove;
        std::function<void(const QString&)> add;
        std::function<QString()> name; // the page's name input
        std::function<std::vector<std::string>()> names;
    };
    auto names = [](const auto& list) {
        std::vector<std::string> out;
        for (const auto& entry : list)
            out.push_back(entry.Name);
        return out;
    };
    const Row rows[] = {
        {0, e.SgEnvData, e.BtRemoveEnv,
         [&](const QString& n) {
             e.CbEnvName->setEditText(n);
             e.EdEnvValue->setText("v");
             e.BtAddEnv->click();
         },
         [&] { return e.CbEnvName->currentText(); }, [&] { return names(s.data.Env); }},
        {1, e.SgFormData, e.BtRemoveForm,
         [&](const QString& n) {
             e.PCFormData->setCurrentIndex(0);
             e.EdTextName->setText(n);
             e.BtAddForm->click();
         },
         [&] { return e.EdTextName->text(); }, [&] { return names(s.data.Form); }},
        {2, e.SgCookieData, e.BtRemoveCookie,
         [&](const QString& n) {
             e.EdCookieName->setText(n);
             e.BtAddCookie->click();
         },
         [&] { return e.EdCookieName->text(); }, [&] { return names(s.data.Cookie); }},
    };
    using Names = std::vector<std::string>;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.page);
        e.PageControl1->setCurrentIndex(r.page);
        for (const char* n : {"PATH", "TZ", "HOME", "LANG"})
            r.add(n);
        ClickRow(r.grid, 0);
        EXPECT_EQ(r.name(), "PATH");
        EXPECT_NE(QApplication::focusWidget(), r.grid) << "a click sends the keys to the name";
        // Back to the grid as Shift+Tab would, and down: TZ is the one now.
        r.grid->setFocus();
        QTest::keyClick(r.grid, Qt::Key_Down);
        EXPECT_EQ(r.name(), "TZ");
        EXPECT_EQ(QApplication::focusWidget(), r.grid) << "keys stay in the grid";
        r.remove->click();
        EXPECT_EQ(r.names(), (Names{"PATH", "HOME", "LANG"}));
        r.grid->setFocus();
        QTest::keyClick(r.grid, Qt::Key_End, Qt::ControlModifier);
        EXPECT_EQ(r.name(), "LANG");
        r.remove->click();
        EXPECT_EQ(r.names(), (Names{"PATH", "HOME"}));
    }
    // Walking onto an entry of another type shows its sub-page and leaves the keys in the grid.
    e.PageControl1->setCurrentIndex(1);
    e.PCFormData->setCurrentIndex(2);
    e.EdCheckboxName->setText("agree");
    e.BtAddForm->click();
    e.SgFormData->setFocus();
    QTest::keyClick(e.SgFormData, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(e.PCFormData->currentIndex(), KFormData::Text);
    QTest::keyClick(e.SgFormData, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(e.PCFormData->currentIndex(), KFormData::CheckBox);
    EXPECT_EQ(e.EdCheckboxName->text(), "agree");
    EXPECT_EQ(QApplication::focusWidget(), e.SgFormData);
    EXPECT_EQ(s.messages.Count(), 0u);
}

TEST(FormEditor, KeypadEnterLongValuesTheComboEditMenuAndTheCodeMenu) {
    Shown s;
    TFEditor& e = s.editor;
    // Keypad Enter walks like Enter.
    e.PageControl1->setCurrentIndex(0);
    e.CbEnvName->setFocus();
    Type("TZ");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(QApplication::focusWidget(), e.EdEnvValue);
    Type("UTC");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
    ASSERT_EQ(s.data.Env.Count(), 1);

    // A value past the toolkit's usual 32,767 characters is taken whole, and shown whole.
    const QString big = QString("値").repeated(40000);
    e.PageControl1->setCurrentIndex(1);
    e.PCFormData->setCurrentIndex(0);
    e.EdTextName->setText("big");
    e.EdTextValue->setText(big);
    e.BtAddForm->click();
    ASSERT_EQ(s.data.Form.Count(), 1);
    EXPECT_EQ(s.data.Form[0].Value, big.toStdString());
    ClickRow(e.SgFormData, 0);
    EXPECT_EQ(e.EdTextValue->text().size(), 40000);

    // The edit menu works in the name combo box, through its line edit.
    e.PageControl1->setCurrentIndex(0);
    e.CbEnvName->setFocus();
    e.CbEnvName->setEditText("HTTP_HOST");
    e.CbEnvName->lineEdit()->selectAll();
    e.findChild<QAction*>("MMCut")->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "HTTP_HOST");
    EXPECT_EQ(e.CbEnvName->currentText(), "");
    e.findChild<QAction*>("MMPaste")->trigger();
    EXPECT_EQ(e.CbEnvName->currentText(), "HTTP_HOST");

    // The code menu: a switch the entries cannot follow is refused, and its tick with it.
    e.EdEnvValue->setText("€");
    e.CbEnvName->setEditText("CURRENCY");
    e.BtAddEnv->click();
    ASSERT_EQ(s.data.Env.Count(), 2);
    e.MMSJIS->trigger();
    EXPECT_EQ(s.data.FormCode, kFormUtf8);
    EXPECT_TRUE(e.MMUTF8->isChecked());
    EXPECT_FALSE(e.MMSJIS->isChecked());
    EXPECT_EQ(s.messages.Texts(),
              std::vector<std::string>{"文字コードをSJISにできません。\n環境変数「CURRENCY」の"
                                       "値にある「€」は、文字コードSJISで表せません。"});
}
