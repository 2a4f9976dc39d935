#pragma once
// The form editor: the CGI request of the CGI data mode, shown as three pages with a grid
// each and the inputs that add, modify and remove entries. It edits the program's one
// request; closing it only hides it, and nothing is ever saved.

#include "cgi/EditorPages.h"

#include <QMainWindow>

class MessageService;
class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

class TFEditor : public QMainWindow {
    Q_OBJECT
public:
    TFEditor(KCgiData& data, MessageService& messages, QWidget* parent = nullptr);

    // Shows the editor in front, restored when it was minimised. The first time it opens
    // beside main; later it stays where the user put it.
    void ShowBeside(const QWidget* main);

    // Above every other window, or a normal one; the menu's tick follows.
    void SetStayOnTop(bool on);
    bool StayOnTop() const { return stayOnTop_; }

    QTabWidget* PageControl1;
    QTableWidget* SgEnvData;
    QComboBox* CbEnvName;
    QLineEdit* EdEnvValue;
    QPushButton* BtAddEnv;
    QPushButton* BtRemoveEnv;
    QPushButton* BtEnvClear;

    QTableWidget* SgFormData;
    QTabWidget* PCFormData;
    QLineEdit* EdTextName;
    QLineEdit* EdTextValue;
    QLineEdit* EdTextareaName;
    QPlainTextEdit* MemoTextarea;
    QLineEdit* EdCheckboxName;
    QCheckBox* CbCheckboxValue;
    QPushButton* BtAddForm;
    QPushButton* BtRemoveForm;
    QPushButton* BtFormClear;

    QTableWidget* SgCookieData;
    QLineEdit* EdCookieName;
    QLineEdit* EdCookieValue;
    QLineEdit* EdCookieExpires;
    QLineEdit* EdCookieDomain;
    QLineEdit* EdCookiePath;
    QCheckBox* CBCookieSecure;
    QPushButton* BtAddCookie;
    QPushButton* BtRemoveCookie;
    QPushButton* BtClearCookie;

    QAction* MMGET;
    QAction* MMPOST;
    QAction* MMSJIS;
    QAction* MMEUC;
    QAction* MMUTF8;
    QAction* MMStayOnTop;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    QWidget* BuildEnvPage();
    QWidget* BuildFormPage();
    QWidget* BuildCookiePage();
    // Every control's keys pass here first, as the page's Enter walk and Esc need.
    void WatchKeys();
    bool EnterPressed(QWidget* control);
    // The name field of the page in front (on the form page, of the sub-page in front).
    QWidget* NameField() const;

    // The page state from the controls, an operation, and the page shown again.
    template <class Page> void Act(Page& page, bool (Page::*op)());
    // The grid's selection moved to row, or the user clicked it.
    template <class Page> void Follow(Page& page, int row, bool (Page::*op)(int));
    // 設定 > 文字コード: the request changes its code unless an entry cannot go in it; the
    // ticks show the code it has.
    void SwitchFormCode(int code);
    void TickFormCode();
    void Read(EnvInputs& in) const;
    void Read(FormInputs& in) const;
    void Read(CookieInputs& in) const;
    void Show(const EnvPage& page, bool focusName);
    void Show(const FormPage& page, bool focusName);
    void Show(const CookiePage& page, bool focusName);

    KCgiData& data_;
    EditorPages pages_;
    bool stayOnTop_ = false;
    bool showing_ = false; // while the page state is being shown in the controls
    bool placed_ = false;
};
