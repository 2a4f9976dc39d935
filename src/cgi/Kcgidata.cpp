#include "cgi/Kcgidata.h"

#include "encoding/Codeconv.h"
#include "platform/FileFacts.h"

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
    const std::string wanted = LowerAscii(name);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (LowerAscii(entries_[i].Name) == wanted)
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

template <class List>
std::string JoinPairs(const List& list, const char* separator, int code, MessageService& messages) {
    std::string text;
    for (const auto& entry : list) {
        if (!text.empty())
            text += separator;
        text +=
            UrlEncode(entry.Name, code, messages) + "=" + UrlEncode(entry.Value, code, messages);
    }
    return text;
}

} // namespace

std::string KCgiData::QueryString() const {
    return JoinPairs(Form, "&", FormCode, messages_);
}

std::string KCgiData::CookieString() const {
    return JoinPairs(Cookie, "; ", FormCode, messages_);
}

std::optional<std::string> KCgiData::RequestBody() const {
    if (Method != Post || Empty())
        return std::nullopt;
    return QueryString();
}

std::optional<std::string> KCgiData::EnvironmentBlock() const {
    if (Empty())
        return std::nullopt;
    std::string block;
    auto add = [&block](const std::string& entry) {
        block += entry;
        block.push_back('\0');
    };
    // The user's own entries stand first, even one that names a generated variable.
    for (const KEnvData& e : Env)
        add(e.Name + "=" + e.Value);
    add("HTTP_COOKIE=" + CookieString());
    std::string query = QueryString();
    if (Method == Post) {
        add("REQUEST_METHOD=POST");
        add("CONTENT_TYPE=application/x-www-form-urlencoded");
        add("CONTENT_LENGTH=" + std::to_string(query.size()));
    } else {
        add("REQUEST_METHOD=GET");
        add("QUERY_STRING=" + query);
    }
    block.push_back('\0');
    return block;
}
