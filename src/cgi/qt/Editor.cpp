#include "cgi/qt/Editor.h"

#include "cgi/Placement.h"

#include <algorithm>
#include <limits>

#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

// The request holds the text as typed, in UTF-8: every character the controls hold.
QString FromUtf8(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

std::string ToUtf8(const QString& text) {
    return text.toStdString();
}

// A TEXTAREA value joins its lines by CR LF; the memo shows them as lines.
QString MemoText(const std::string& utf8) {
    return FromUtf8(utf8).replace("\r\n", "\n");
}

std::string MemoValue(const QString& text) {
    QString joined = text;
    return ToUtf8(joined.replace("\n", "\r\n"));
}

// Any length a request can carry: a POST takes a form of any size on standard input, so a
// field is not cut at the toolkit's default of 32,767 characters.
QLineEdit* LongLineEdit(QLineEdit* edit) {
    edit->setMaxLength(std::numeric_limits<int>::max());
    return edit;
}

QTableWidget* MakeGrid(const char* name, const QStringList& headers,
                       std::initializer_list<int> widths, QWidget* parent) {
    auto* grid = new QTableWidget(1, static_cast<int>(headers.size()), parent);
    grid->setObjectName(name);
    grid->setHorizontalHeaderLabels(headers);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    int column = 0;
    for (int w : widths)
        grid->setColumnWidth(column++, w);
    return grid;
}

void ShowGrid(QTableWidget* grid, const EditorGrid& rows) {
    grid->setRowCount(rows.RowCount());
    for (int r = 0; r < rows.RowCount(); ++r)
        for (int c = 0; c < rows.Columns(); ++c) {
            QString text = FromUtf8(rows.RowAt(r)[static_cast<size_t>(c)]);
            if (QTableWidgetItem* item = grid->item(r, c))
                item->setText(text);
            else
                grid->setItem(r, c, new QTableWidgetItem(text));
        }
    grid->selectRow(rows.Selected());
}

template <class T> T* Named(T* control, const char* name) {
    control->setObjectName(name);
    return control;
}

QPushButton* Button(const char* name, const char* caption, QWidget* parent) {
    return Named(new QPushButton(QString::fromUtf8(caption), parent), name);
}

// Labels in the left column, their controls in the right one.
QGridLayout* Fields(std::initializer_list<std::pair<const char*, QWidget*>> rows) {
    auto* layout = new QGridLayout;
    int r = 0;
    for (const auto& [label, control] : rows) {
        if (label)
            layout->addWidget(new QLabel(QString::fromUtf8(label)), r, 0);
        layout->addWidget(control, r++, 1);
    }
    layout->setRowStretch(r, 1); // the fields at the top; the grid takes the height
    return layout;
}

QHBoxLayout* Buttons(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    return row;
}

} // namespace

TFEditor::TFEditor(KCgiData& data, MessageService& messages, QWidget* parent)
    : QMainWindow(parent, Qt::Window), data_(data), pages_(data, messages) {
    setObjectName("FEditor");
    setWindowTitle("フォームエディタ");
    QFont font("Noto Sans CJK JP");
    font.setPixelSize(12);
    setFont(font);
    resize(565, 476);

    BuildMenus();
    PageControl1 = Named(new QTabWidget(this), "PageControl1");
    PageControl1->addTab(BuildEnvPage(), "環境変数");
    PageControl1->addTab(BuildFormPage(), "フォームデータ");
    PageControl1->addTab(BuildCookiePage(), "Cookie");
    PageControl1->setCurrentIndex(1);
    setCentralWidget(PageControl1);
    WatchKeys();
    // Typing goes to the name field of the page in front, from the first moment and after
    // every change of page, so that a request can be entered with the keyboard alone.
    // An entry shown on its own sub-page is not such a change: keys walking a grid stay there.
    auto focusName = [this] {
        if (!showing_)
            NameField()->setFocus();
    };
    connect(PageControl1, &QTabWidget::currentChanged, this, focusName);
    connect(PCFormData, &QTabWidget::currentChanged, this, focusName);
    focusName();
}

void TFEditor::BuildMenus() {
    QMenu* settings = menuBar()->addMenu("設定(&C)");
    QMenu* method = settings->addMenu("REQUEST_METHOD(&M)");
    QMenu* code = settings->addMenu("文字コード(&C)");
    auto radio = [this](QMenu* menu, QActionGroup* group, const char* name, const char* caption,
                        auto apply) {
        QAction* a = Named(menu->addAction(caption), name);
        a->setCheckable(true);
        group->addAction(a);
        connect(a, &QAction::triggered, this, apply);
        return a;
    };
    auto* methods = new QActionGroup(this);
    MMGET = radio(method, methods, "MMGET", "&GET", [this] { data_.Method = KCgiData::Get; });
    MMPOST = radio(method, methods, "MMPOST", "&POST", [this] { data_.Method = KCgiData::Post; });
    auto* codes = new QActionGroup(this);
    MMSJIS = radio(code, codes, "MMSJIS", "&SJIS", [this] { SwitchFormCode(kFormSjis); });
    MMEUC = radio(code, codes, "MMEUC", "&EUC", [this] { SwitchFormCode(kFormEuc); });
    MMUTF8 = radio(code, codes, "MMUTF8", "&UTF-8", [this] { SwitchFormCode(kFormUtf8); });
    (data_.Method == KCgiData::Post ? MMPOST : MMGET)->setChecked(true);
    TickFormCode();
    MMStayOnTop = Named(settings->addAction("常に手前に表示"), "MMStayOnTop");
    MMStayOnTop->setCheckable(true);
    connect(MMStayOnTop, &QAction::triggered, this, [this] { SetStayOnTop(!stayOnTop_); });

    QMenu* edit = menuBar()->addMenu("編集(&E)");
    struct Item {
        const char* name;
        const char* caption;
        QKeySequence key;
        const char* slot;
    };
    for (const Item& item : {Item{"MMCut", "切り取り(&X)", QKeySequence::Cut, "cut"},
                             Item{"MMCopy", "コピー(&C)", QKeySequence::Copy, "copy"},
                             Item{"MMPaste", "貼り付け(&P)", QKeySequence::Paste, "paste"}}) {
        QAction* a = Named(edit->addAction(item.caption), item.name);
        a->setShortcut(item.key);
        const char* slot = item.slot;
        // The focused control does the work: every edit control has these three slots. A
        // combo box has none; the line edit inside it has.
        connect(a, &QAction::triggered, this, [this, slot] {
            QWidget* w = focusWidget();
            if (auto* combo = qobject_cast<QComboBox*>(w); combo && combo->lineEdit())
                w = combo->lineEdit();
            if (w)
                QMetaObject::invokeMethod(w, slot);
        });
    }
}

QWidget* TFEditor::BuildEnvPage() {
    auto* page = Named(new QWidget, "TbEnvironmentData");
    SgEnvData = MakeGrid("SgEnvData", {"名前", "値"}, {120, 560}, page);
    CbEnvName = Named(new QComboBox(page), "CbEnvName");
    CbEnvName->setEditable(true);
    CbEnvName->addItems({"PATH", "REMOTE_ADDR", "REQUEST_METHOD", "HTTP_ACCEPT",
                         "HTTP_ACCEPT_CHARSET", "HTTP_ACCEPT_ENCODING", "HTTP_ACCEPT_LANGUAGE",
                         "HTTP_HOST", "HTTP_REFERER", "HTTP_USER_AGENT", "TZ"});
    CbEnvName->setCurrentIndex(-1);
    CbEnvName->setInsertPolicy(QComboBox::NoInsert);
    // Variable names are case-sensitive: a name typed in another case is that name, and must
    // not be completed into the listed one.
    CbEnvName->completer()->setCaseSensitivity(Qt::CaseSensitive);
    LongLineEdit(CbEnvName->lineEdit());
    EdEnvValue = Named(LongLineEdit(new QLineEdit(page)), "EdEnvValue");
    BtAddEnv = Button("BtAddEnv", "追加/修正", page);
    BtRemoveEnv = Button("BtRemoveEnv", "削除", page);
    BtEnvClear = Button("BtEnvClear", "クリア", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(SgEnvData, 1);
    layout->addLayout(Fields({{"名前", CbEnvName}, {"値", EdEnvValue}}));
    layout->addLayout(Buttons({BtAddEnv, BtRemoveEnv, BtEnvClear}));

    EnvPage& env = pages_.Env;
    connect(BtAddEnv, &QPushButton::clicked, this, [this, &env] { Act(env, &EnvPage::Add); });
    connect(BtRemoveEnv, &QPushButton::clicked, this, [this, &env] { Act(env, &EnvPage::Remove); });
    connect(BtEnvClear, &QPushButton::clicked, this, [this, &env] { Act(env, &EnvPage::Clear); });
    connect(SgEnvData, &QTableWidget::cellClicked, this,
            [this, &env](int row) { Follow(env, row, &EnvPage::Click); });
    connect(
        SgEnvData->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this, &env](const QModelIndex& current) { Follow(env, current.row(), &EnvPage::Select); });
    return page;
}

QWidget* TFEditor::BuildFormPage() {
    auto* page = Named(new QWidget, "TbFormData");
    SgFormData = MakeGrid("SgFormData", {"データ種別", "名前", "値"}, {121, 116, 514}, page);
    PCFormData = Named(new QTabWidget(page), "PCFormData");

    auto* text = Named(new QWidget, "TbText");
    EdTextName = Named(LongLineEdit(new QLineEdit(text)), "EdTextName");
    EdTextValue = Named(LongLineEdit(new QLineEdit(text)), "EdTextValue");
    text->setLayout(Fields({{"名前", EdTextName}, {"値", EdTextValue}}));

    auto* area = Named(new QWidget, "TbTextarea");
    EdTextareaName = Named(LongLineEdit(new QLineEdit(area)), "EdTextareaName");
    MemoTextarea = Named(new QPlainTextEdit(area), "MemoTextarea");
    MemoTextarea->setTabChangesFocus(true);
    MemoTextarea->setMaximumHeight(90);
    area->setLayout(Fields({{"名前", EdTextareaName}, {"値", MemoTextarea}}));

    auto* check = Named(new QWidget, "TbCheckbox");
    EdCheckboxName = Named(LongLineEdit(new QLineEdit(check)), "EdCheckboxName");
    CbCheckboxValue = Named(new QCheckBox("CHECKBOXの値", check), "CbCheckboxValue");
    check->setLayout(Fields({{"名前", EdCheckboxName}, {nullptr, CbCheckboxValue}}));

    PCFormData->addTab(text, "TEXT");
    PCFormData->addTab(area, "TEXTAREA");
    PCFormData->addTab(check, "CHECKBOX");
    BtAddForm = Button("BtAddForm", "追加/修正", page);
    BtRemoveForm = Button("BtRemoveForm", "削除", page);
    BtFormClear = Button("BtFormClear", "クリア", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(SgFormData, 1);
    layout->addWidget(PCFormData);
    layout->addLayout(Buttons({BtAddForm, BtRemoveForm, BtFormClear}));

    FormPage& form = pages_.Form;
    connect(BtAddForm, &QPushButton::clicked, this, [this, &form] { Act(form, &FormPage::Add); });
    connect(BtRemoveForm, &QPushButton::clicked, this,
            [this, &form] { Act(form, &FormPage::Remove); });
    connect(BtFormClear, &QPushButton::clicked, this,
            [this, &form] { Act(form, &FormPage::Clear); });
    connect(SgFormData, &QTableWidget::cellClicked, this,
            [this, &form](int row) { Follow(form, row, &FormPage::Click); });
    connect(SgFormData->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &form](const QModelIndex& current) {
                Follow(form, current.row(), &FormPage::Select);
            });
    return page;
}

QWidget* TFEditor::BuildCookiePage() {
    auto* page = Named(new QWidget, "TabSheet1");
    SgCookieData =
        MakeGrid("SgCookieData", {"名前", "値", "有効期限", "ドメイン", "パス", "セキュアフラグ"},
                 {97, 91, 72, 75, 64, 335}, page);
    EdCookieName = Named(LongLineEdit(new QLineEdit(page)), "EdCookieName");
    EdCookieValue = Named(LongLineEdit(new QLineEdit(page)), "EdCookieValue");
    EdCookieExpires = Named(LongLineEdit(new QLineEdit(page)), "EdCookieExpires");
    EdCookieDomain = Named(LongLineEdit(new QLineEdit(page)), "EdCookieDomain");
    EdCookiePath = Named(LongLineEdit(new QLineEdit(page)), "EdCookiePath");
    CBCookieSecure = Named(new QCheckBox("セキュアフラグ", page), "CBCookieSecure");
    BtAddCookie = Button("BtAddCookie", "追加/削除", page);
    BtRemoveCookie = Button("BtRemoveCookie", "削除", page);
    BtClearCookie = Button("BtClearCookie", "クリア", page);

    auto* layout = new QVBoxLayout(page);
    layout->addWidget(SgCookieData, 1);
    layout->addLayout(Fields({{"名前", EdCookieName},
                              {" 値", EdCookieValue},
                              {"有効期限", EdCookieExpires},
                              {"ドメイン", EdCookieDomain},
                              {"パス", EdCookiePath},
                              {nullptr, CBCookieSecure}}));
    layout->addLayout(Buttons({BtAddCookie, BtRemoveCookie, BtClearCookie}));

    CookiePage& cookie = pages_.Cookie;
    connect(BtAddCookie, &QPushButton::clicked, this,
            [this, &cookie] { Act(cookie, &CookiePage::Add); });
    connect(BtRemoveCookie, &QPushButton::clicked, this,
            [this, &cookie] { Act(cookie, &CookiePage::Remove); });
    connect(BtClearCookie, &QPushButton::clicked, this,
            [this, &cookie] { Act(cookie, &CookiePage::Clear); });
    connect(SgCookieData, &QTableWidget::cellClicked, this,
            [this, &cookie](int row) { Follow(cookie, row, &CookiePage::Click); });
    connect(SgCookieData->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this, &cookie](const QModelIndex& current) {
                Follow(cookie, current.row(), &CookiePage::Select);
            });
    return page;
}

QWidget* TFEditor::NameField() const {
    switch (PageControl1->currentIndex()) {
    case 0:
        return CbEnvName;
    case 2:
        return EdCookieName;
    default: {
        QWidget* names[] = {EdTextName, EdTextareaName, EdCheckboxName};
        return names[std::clamp(PCFormData->currentIndex(), 0, 2)];
    }
    }
}

template <class Page> void TFEditor::Act(Page& page, bool (Page::*op)()) {
    Read(page.Fields);
    bool focusName = (page.*op)();
    Show(page, focusName);
}

template <class Page> void TFEditor::Follow(Page& page, int row, bool (Page::*op)(int)) {
    // The grid moves its selection itself while it is shown again; that is no user's move.
    if (showing_ || row < 0)
        return;
    Read(page.Fields);
    bool focusName = (page.*op)(row);
    Show(page, focusName);
}

void TFEditor::SwitchFormCode(int code) {
    pages_.SetFormCode(code);
    TickFormCode();
}

void TFEditor::TickFormCode() {
    QAction* ticks[] = {MMSJIS, MMEUC, MMUTF8};
    ticks[std::clamp(data_.FormCode, 0, kFormCodeCount - 1)]->setChecked(true);
}

void TFEditor::Read(EnvInputs& in) const {
    in.Name = ToUtf8(CbEnvName->currentText());
    in.Value = ToUtf8(EdEnvValue->text());
}

void TFEditor::Read(FormInputs& in) const {
    in.Page = PCFormData->currentIndex();
    in.TextName = ToUtf8(EdTextName->text());
    in.TextValue = ToUtf8(EdTextValue->text());
    in.AreaName = ToUtf8(EdTextareaName->text());
    in.AreaValue = MemoValue(MemoTextarea->toPlainText());
    in.CheckName = ToUtf8(EdCheckboxName->text());
    in.Checked = CbCheckboxValue->isChecked();
}

void TFEditor::Read(CookieInputs& in) const {
    in.Name = ToUtf8(EdCookieName->text());
    in.Value = ToUtf8(EdCookieValue->text());
    in.Expires = ToUtf8(EdCookieExpires->text());
    in.Domain = ToUtf8(EdCookieDomain->text());
    in.Path = ToUtf8(EdCookiePath->text());
    in.Secure = CBCookieSecure->isChecked();
}

void TFEditor::Show(const EnvPage& page, bool focusName) {
    const QScopedValueRollback<bool> showing(showing_, true);
    ShowGrid(SgEnvData, page.Grid());
    CbEnvName->setEditText(FromUtf8(page.Fields.Name));
    EdEnvValue->setText(FromUtf8(page.Fields.Value));
    if (focusName)
        NameField()->setFocus();
}

void TFEditor::Show(const FormPage& page, bool focusName) {
    const QScopedValueRollback<bool> showing(showing_, true);
    ShowGrid(SgFormData, page.Grid());
    const FormInputs& in = page.Fields;
    PCFormData->setCurrentIndex(in.Page);
    EdTextName->setText(FromUtf8(in.TextName));
    EdTextValue->setText(FromUtf8(in.TextValue));
    EdTextareaName->setText(FromUtf8(in.AreaName));
    MemoTextarea->setPlainText(MemoText(in.AreaValue));
    EdCheckboxName->setText(FromUtf8(in.CheckName));
    CbCheckboxValue->setChecked(in.Checked);
    if (focusName)
        NameField()->setFocus();
}

void TFEditor::Show(const CookiePage& page, bool focusName) {
    const QScopedValueRollback<bool> showing(showing_, true);
    ShowGrid(SgCookieData, page.Grid());
    const CookieInputs& in = page.Fields;
    EdCookieName->setText(FromUtf8(in.Name));
    EdCookieValue->setText(FromUtf8(in.Value));
    EdCookieExpires->setText(FromUtf8(in.Expires));
    EdCookieDomain->setText(FromUtf8(in.Domain));
    EdCookiePath->setText(FromUtf8(in.Path));
    CBCookieSecure->setChecked(in.Secure);
    if (focusName)
        NameField()->setFocus();
}

void TFEditor::SetStayOnTop(bool on) {
    stayOnTop_ = on;
    MMStayOnTop->setChecked(on);
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on)
        return;
    // A changed flag takes a new native window, which hides this one.
    const bool shown = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (shown)
        show();
}

void TFEditor::WatchKeys() {
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    installEventFilter(this);
}

bool TFEditor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QMainWindow::eventFilter(watched, event);
    // An open menu or drop-down list takes its own keys: Esc closes it, not the window.
    if (QApplication::activePopupWidget())
        return QMainWindow::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        hide();
        return true;
    }
    // The keypad's Enter is an Enter too; it only carries the keypad's mark.
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        auto* w = qobject_cast<QWidget*>(watched);
        // The combo box hands its keys to the line edit inside it.
        if (w && w->parentWidget() == CbEnvName)
            w = CbEnvName;
        return EnterPressed(w);
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TFEditor::EnterPressed(QWidget* control) {
    // Where Enter goes from each control: the next field, or the page's add button.
    const std::pair<QWidget*, QWidget*> focusNext[] = {
        {CbEnvName, EdEnvValue},        {EdTextName, EdTextValue},
        {EdTextareaName, MemoTextarea}, {EdCheckboxName, CbCheckboxValue},
        {EdCookieName, EdCookieValue},  {EdCookieExpires, EdCookieDomain},
        {EdCookieDomain, EdCookiePath}, {EdCookiePath, CBCookieSecure},
    };
    const std::pair<QWidget*, QPushButton*> press[] = {
        {EdEnvValue, BtAddEnv},
        {EdTextValue, BtAddForm},
        {CbCheckboxValue, BtAddForm},
        {EdCookieValue, BtAddCookie},
    };
    for (const auto& [from, to] : focusNext)
        if (control == from) {
            to->setFocus();
            return true;
        }
    for (const auto& [from, button] : press)
        if (control == from) {
            button->click();
            return true;
        }
    return false;
}

void TFEditor::ShowBeside(const QWidget* main) {
    if (!placed_ && main) {
        placed_ = true;
        // The frame is not there before the first show; the main window's tells its size.
        const QRect frame = main->frameGeometry();
        const QSize margins = frame.size() - main->size();
        const QRect screen =
            (main->screen() ? main->screen() : this->screen())->availableGeometry();
        const ScreenPoint at = BesidePlacement(
            {frame.x(), frame.y(), frame.width(), frame.height()}, width() + margins.width(),
            height() + margins.height(), {screen.x(), screen.y(), screen.width(), screen.height()});
        move(at.x, at.y);
    }
    // A minimised editor comes back as it was before, maximised or not.
    if (isMinimized())
        setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
