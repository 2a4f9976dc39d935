#include "cgi/qt/Editor.h"
#include "encoding/Codeconv.h"
#include "platform/Cp932.h"
#include "platform/qt/QtMessageService.h"
#include "support/ScriptedMessages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Keys go where a user's would: to whatever has the focus now.
void Type(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
}
void Enter() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
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
    EXPECT_EQ(Cp932ToUtf8(data.Form[0].Value).text, "一行目\r\n2");

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
