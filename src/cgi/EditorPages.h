#pragma once
// The form editor's three pages as plain state: each page's list, the rows its grid shows, the
// inputs below the grid, and what the add, remove and clear buttons and a click in the grid
// do to them. The window only shows this state and hands the user's input in. Texts are UTF-8,
// as the request holds them.

#include "cgi/Kcgidata.h"

#include <string>
#include <vector>

class MessageService;

// The data rows of a grid (the header row is not among them): one per entry, and always at
// least one, which stands for nothing while the list is empty.
class EditorGrid {
public:
    using Row = std::vector<std::string>;

    explicit EditorGrid(int columns) : columns_(columns), rows_(1, Row(columns)) {}

    int Columns() const { return columns_; }
    int RowCount() const { return static_cast<int>(rows_.size()); }
    const Row& RowAt(int r) const { return rows_.at(static_cast<size_t>(r)); }
    int Selected() const { return selected_; }
    void Select(int r);
    // Rewrites row r; r == RowCount() appends a row.
    void Put(int r, Row cells);
    // Later rows move up; the only row is emptied instead of removed.
    void RemoveRow(int r);

private:
    int columns_;
    std::vector<Row> rows_;
    int selected_ = 0;
};

// The environment and cookie pages' inputs hold exactly the fields of an entry.
using EnvInputs = KEnvData;
using CookieInputs = KCookieData;

struct FormInputs {
    int Page = KFormData::Text; // the sub-page showing: TEXT, TEXTAREA or CHECKBOX
    std::string TextName;
    std::string TextValue;
    std::string AreaName;
    std::string AreaValue; // lines joined by CR LF
    std::string CheckName;
    bool Checked = false;
};

// What each page does differently: how its inputs become an entry and back, and the cells an
// entry shows.
struct EnvTraits {
    using Entry = KEnvData;
    using Inputs = EnvInputs;
    static constexpr int kColumns = 2;
    static constexpr bool kNeedsName = true;
    static constexpr bool kLoadsAfterRemove = true;
    static constexpr bool kClickOnEmptyClears = false;
    static Entry Gather(const Inputs& in) { return in; }
    static void Fill(Inputs& in, const Entry& e) { in = e; }
    static void Clear(Inputs& in) { in = {}; }
    static EditorGrid::Row Cells(const Entry& e) { return {e.Name, e.Value}; }
};

struct FormTraits {
    using Entry = KFormData;
    using Inputs = FormInputs;
    static constexpr int kColumns = 3;
    static constexpr bool kNeedsName = true;
    static constexpr bool kLoadsAfterRemove = false;
    static constexpr bool kClickOnEmptyClears = false;
    static Entry Gather(const Inputs& in);
    static void Fill(Inputs& in, const Entry& e);
    // Only the sub-page showing is emptied.
    static void Clear(Inputs& in);
    static EditorGrid::Row Cells(const Entry& e) { return {FormTypeName(e.Type), e.Name, e.Value}; }
};

struct CookieTraits {
    using Entry = KCookieData;
    using Inputs = CookieInputs;
    static constexpr int kColumns = 6;
    static constexpr bool kNeedsName = false; // any name, the empty one too
    static constexpr bool kLoadsAfterRemove = true;
    static constexpr bool kClickOnEmptyClears = true;
    static Entry Gather(const Inputs& in) { return in; }
    static void Fill(Inputs& in, const Entry& e) { in = e; }
    static void Clear(Inputs& in) { in = {}; }
    static EditorGrid::Row Cells(const Entry& e) {
        return {e.Name, e.Value, e.Expires, e.Domain, e.Path, e.Secure ? "Secure" : ""};
    }
};

// The name the add button refuses: nothing left once blanks and control characters are taken
// from both ends.
bool BlankName(const std::string& name);

template <class Traits> class EditorPage {
public:
    using Entry = typename Traits::Entry;
    using Inputs = typename Traits::Inputs;

    EditorPage(KEntryList<Entry>& list, const KCgiData& request, MessageService& messages)
        : list_(list), request_(request), messages_(messages) {}

    const EditorGrid& Grid() const { return grid_; }
    Inputs Fields;

    // Each operation answers whether the focus goes to the page's name field.

    // "追加/修正": adds the entry of the inputs, or modifies the one of the same name. An entry
    // the request cannot carry (see EntryFault) is refused with a message naming it, and the
    // inputs stay as typed.
    bool Add();
    // "削除": removes the entry of the selected row.
    bool Remove();
    // The grid's selection moved to row r, by keys, a drag or a click: the page's row follows
    // and its entry fills the inputs, so that 削除 removes the entry the user sees selected.
    bool Select(int r);
    // A click in the grid on row r: Select, and the focus goes to the name field.
    bool Click(int r);
    // "クリア".
    bool Clear();

private:
    bool LoadSelected();

    KEntryList<Entry>& list_;
    const KCgiData& request_;
    MessageService& messages_;
    EditorGrid grid_{Traits::kColumns};
};

using EnvPage = EditorPage<EnvTraits>;
using FormPage = EditorPage<FormTraits>;
using CookiePage = EditorPage<CookieTraits>;

// The three pages over one request.
struct EditorPages {
    EditorPages(KCgiData& data, MessageService& messages)
        : Env(data.Env, data, messages), Form(data.Form, data, messages),
          Cookie(data.Cookie, data, messages), data_(data), messages_(messages) {}
    EnvPage Env;
    FormPage Form;
    CookiePage Cookie;

    // 設定 > 文字コード: the request's FormCode becomes code, unless an entry holds a text that
    // code cannot carry; then a message names it and the code stays. Answers whether it changed.
    bool SetFormCode(int code);

private:
    KCgiData& data_;
    MessageService& messages_;
};
