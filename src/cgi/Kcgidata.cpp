#include "cgi/Kcgidata.h"

#include "encoding/Codeconv.h"
#include "platform/FileFacts.h"
#include "platform/MessageService.h"

#include <string_view>

const char* FormTypeName(int type) {
    switch (type) {
    case KFormData::TextArea:
        return "TEXTAREA";
    case KFormData::CheckBox:
        return "CHECKBOX";
    default:
        return "TEXT";
    }
}

template <class Entry> int KEntryList<Entry>::Find(const std::string& name) const {
    // The text is UTF-8, whose multi-byte characters are made of bytes from 0x80 up, so folding
    // the bytes A to Z folds exactly the single-byte letters.
    const bool exact = match_ == NameMatch::Exact;
    const std::string wanted = exact ? name : LowerAscii(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if ((exact ? entries_[i].Name : LowerAscii(entries_[i].Name)) == wanted)
            return static_cast<int>(i);
    return -1;
}

template <class Entry> std::pair<int, bool> KEntryList<Entry>::Set(Entry entry) {
    int index = Find(entry.Name);
    if (index >= 0) {
        entries_[static_cast<size_t>(index)] = std::move(entry);
        return {index, false};
    }
    entries_.push_back(std::move(entry));
    return {Count() - 1, true};
}

template <class Entry> void KEntryList<Entry>::Remove(int index) {
    if (index >= 0 && index < Count())
        entries_.erase(entries_.begin() + index);
}

template class KEntryList<KEnvData>;
template class KEntryList<KFormData>;
template class KEntryList<KCookieData>;

namespace {

constexpr std::string_view kNul("\0", 1);

// An entry as a message names it: its page and its name, a long name shortened and a NUL
// shown as \0.
std::string Label(const char* page, const std::string& name) {
    constexpr size_t kShown = 40;
    std::string shown;
    size_t characters = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if ((c & 0xC0) != 0x80 && ++characters > kShown) {
            shown += "…";
            break;
        }
        shown += c ? std::string(1, name[i]) : std::string("\\0");
    }
    return std::string(page) + "「" + shown + "」";
}

// A sent text that the code cannot hold, told with the character.
std::string CodeFault(const std::string& label, const char* field, const std::string& text,
                      int formCode, MessageService& messages) {
    std::optional<std::string> unheld = FirstUnheld(text, formCode, messages);
    if (!unheld)
        return {};
    return label + "の" + field + "にある「" + *unheld + "」は、文字コード" +
           FormCodeName(formCode) + "で表せません。";
}

// What would break the block: no name, or a name or value that would split the entry.
std::string EnvShapeFault(const KEnvData& e) {
    if (e.Name.empty())
        return "名前を指定してください";
    const std::string label = Label("環境変数", e.Name);
    if (e.Name.find('=') != std::string::npos)
        return label + "の名前に「=」は使えません。";
    if (e.Name.find(kNul) != std::string::npos)
        return label + "の名前にNUL文字は使えません。";
    if (e.Value.find(kNul) != std::string::npos)
        return label + "の値にNUL文字は使えません。";
    return {};
}

template <class Entry>
std::string SentFault(const char* page, const Entry& e, int formCode, MessageService& messages) {
    const std::string label = Label(page, e.Name);
    std::string fault = CodeFault(label, "名前", e.Name, formCode, messages);
    return fault.empty() ? CodeFault(label, "値", e.Value, formCode, messages) : fault;
}

} // namespace

std::string EntryFault(const KEnvData& entry, int formCode, MessageService& messages) {
    std::string fault = EnvShapeFault(entry);
    return fault.empty() ? SentFault("環境変数", entry, formCode, messages) : fault;
}

std::string EntryFault(const KFormData& entry, int formCode, MessageService& messages) {
    return SentFault("フォームデータ", entry, formCode, messages);
}

std::string EntryFault(const KCookieData& entry, int formCode, MessageService& messages) {
    return SentFault("Cookie", entry, formCode, messages);
}

std::string KCgiData::FirstFault(int formCode) const {
    for (const KEnvData& e : Env)
        if (std::string fault = EntryFault(e, formCode, messages_); !fault.empty())
            return fault;
    for (const KFormData& e : Form)
        if (std::string fault = EntryFault(e, formCode, messages_); !fault.empty())
            return fault;
    for (const KCookieData& e : Cookie)
        if (std::string fault = EntryFault(e, formCode, messages_); !fault.empty())
            return fault;
    return {};
}

std::string KCgiData::Pairs(bool cookies, bool& converterMissing) const {
    std::string text;
    auto add = [&](const auto& entry) {
        if (!text.empty())
            text += cookies ? "; " : "&";
        text += PercentEncode(FormBytes(entry.Name, FormCode, messages_, converterMissing)) + "=" +
                PercentEncode(FormBytes(entry.Value, FormCode, messages_, converterMissing));
    };
    if (cookies)
        for (const KCookieData& e : Cookie)
            add(e);
    else
        for (const KFormData& e : Form)
            add(e);
    return text;
}

namespace {

void TellConverterMissing(bool missing, MessageService& messages) {
    // The converter's own message, as every conversion without it shows.
    std::string unused;
    if (missing)
        NkfConvertText("", unused, NkfOptions(kCodeSjis, kCodeEuc), messages);
}

} // namespace

std::string KCgiData::QueryString() const {
    bool missing = false;
    std::string text = Pairs(false, missing);
    TellConverterMissing(missing, messages_);
    return text;
}

std::string KCgiData::CookieString() const {
    bool missing = false;
    std::string text = Pairs(true, missing);
    TellConverterMissing(missing, messages_);
    return text;
}

std::optional<std::string> KCgiData::RequestBody() const {
    return Compose().body;
}

std::optional<std::string> KCgiData::EnvironmentBlock() const {
    return Compose().block;
}

KCgiData::Request KCgiData::ComposeForRun() const {
    if (std::string fault = FirstFault(FormCode); !fault.empty())
        messages_.Show(fault);
    return Compose();
}

KCgiData::Request KCgiData::Compose() const {
    if (Empty())
        return {};
    bool missing = false;
    std::string block;
    auto add = [&block](const std::string& entry) {
        block += entry;
        block.push_back('\0');
    };
    // The user's own entries stand first, even one that names a generated variable.
    for (const KEnvData& e : Env)
        if (EnvShapeFault(e).empty())
            add(EnvBytes(e.Name, FormCode) + "=" + EnvBytes(e.Value, FormCode));
    add("HTTP_COOKIE=" + Pairs(true, missing));
    std::string query = Pairs(false, missing);
    TellConverterMissing(missing, messages_);
    std::optional<std::string> body;
    if (Method == Post) {
        add("REQUEST_METHOD=POST");
        add("CONTENT_TYPE=application/x-www-form-urlencoded");
        add("CONTENT_LENGTH=" + std::to_string(query.size()));
        body = std::move(query);
    } else {
        add("REQUEST_METHOD=GET");
        add("QUERY_STRING=" + query);
    }
    block.push_back('\0');
    return {std::move(block), std::move(body)};
}
