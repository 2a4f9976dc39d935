#include "cgi/EditorPages.h"

#include "platform/MessageService.h"

#include <algorithm>
#include <type_traits>

void EditorGrid::Select(int r) {
    selected_ = std::clamp(r, 0, RowCount() - 1);
}

void EditorGrid::Put(int r, Row cells) {
    cells.resize(static_cast<size_t>(columns_));
    if (r == RowCount())
        rows_.push_back(std::move(cells));
    else
        rows_.at(static_cast<size_t>(r)) = std::move(cells);
}

void EditorGrid::RemoveRow(int r) {
    if (RowCount() == 1)
        rows_[0] = Row(static_cast<size_t>(columns_));
    else
        rows_.erase(rows_.begin() + r);
    Select(selected_);
}

bool BlankName(const std::string& name) {
    return std::all_of(name.begin(), name.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

KFormData FormTraits::Gather(const FormInputs& in) {
    switch (in.Page) {
    case KFormData::TextArea:
        return {KFormData::TextArea, in.AreaName, in.AreaValue};
    case KFormData::CheckBox:
        return {KFormData::CheckBox, in.CheckName, in.Checked ? "on" : ""};
    default:
        return {KFormData::Text, in.TextName, in.TextValue};
    }
}

void FormTraits::Fill(FormInputs& in, const KFormData& e) {
    in.Page = e.Type;
    switch (e.Type) {
    case KFormData::TextArea:
        in.AreaName = e.Name;
        in.AreaValue = e.Value;
        break;
    case KFormData::CheckBox:
        in.CheckName = e.Name;
        in.Checked = e.Value == "on";
        break;
    default:
        in.TextName = e.Name;
        in.TextValue = e.Value;
    }
}

void FormTraits::Clear(FormInputs& in) {
    // An empty entry of the sub-page's own type, filled in, empties just that sub-page.
    Fill(in, KFormData{in.Page, "", ""});
}

template <class Traits> bool EditorPage<Traits>::Add() {
    Entry entry = Traits::Gather(Fields);
    if (Traits::kNeedsName && BlankName(entry.Name)) {
        messages_.Show("名前を指定してください");
        if constexpr (std::is_same_v<Traits, FormTraits>)
            Traits::Clear(Fields);
        return false;
    }
    if (std::string fault = EntryFault(entry, request_.FormCode, messages_); !fault.empty()) {
        messages_.Show(fault);
        return false;
    }
    EditorGrid::Row cells = Traits::Cells(entry);
    auto [index, added] = list_.Set(std::move(entry));
    if (added) {
        // The first entry takes the row that stood for nothing.
        grid_.Put(list_.Count() == 1 ? 0 : grid_.RowCount(), std::move(cells));
        grid_.Select(grid_.RowCount() - 1);
        Traits::Clear(Fields);
        return true;
    }
    grid_.Put(index, std::move(cells));
    // Modifying walks down the list, so that repeated Enter presses go through it.
    if (index + 1 < grid_.RowCount()) {
        grid_.Select(index + 1);
        return LoadSelected();
    }
    Traits::Clear(Fields);
    return true;
}

template <class Traits> bool EditorPage<Traits>::Remove() {
    if (list_.Count() == 0)
        return false;
    const int r = grid_.Selected();
    grid_.RemoveRow(r);
    list_.Remove(r);
    if (!Traits::kLoadsAfterRemove)
        return false;
    if (list_.Count() == 0)
        return Clear();
    return LoadSelected();
}

template <class Traits> bool EditorPage<Traits>::Select(int r) {
    grid_.Select(r);
    LoadSelected();
    return false;
}

template <class Traits> bool EditorPage<Traits>::Click(int r) {
    grid_.Select(r);
    if (list_.Count() > 0)
        return LoadSelected();
    if (Traits::kClickOnEmptyClears)
        return Clear();
    return false;
}

template <class Traits> bool EditorPage<Traits>::Clear() {
    Traits::Clear(Fields);
    return true;
}

template <class Traits> bool EditorPage<Traits>::LoadSelected() {
    const int r = grid_.Selected();
    if (r >= list_.Count())
        return false;
    Traits::Fill(Fields, list_[r]);
    return true;
}

bool EditorPages::SetFormCode(int code) {
    if (code < 0 || code >= kFormCodeCount)
        return false;
    if (std::string fault = data_.FirstFault(code); !fault.empty()) {
        messages_.Show(std::string("文字コードを") + FormCodeName(code) + "にできません。\n" +
                       fault);
        return false;
    }
    data_.FormCode = code;
    return true;
}

template class EditorPage<EnvTraits>;
template class EditorPage<FormTraits>;
template class EditorPage<CookieTraits>;
