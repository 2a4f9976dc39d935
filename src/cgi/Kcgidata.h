#pragma once
// A CGI request described without a web server: extra environment variables, form fields and
// cookies, the method and the code of the form data. A run in the CGI data mode gets the
// request as the child's whole environment. Names and values are CP932 text.

#include <optional>
#include <string>
#include <utility>
#include <vector>

class MessageService;

struct KEnvData {
    std::string Name;
    std::string Value;
};

struct KFormData {
    enum { Text = 0, TextArea = 1, CheckBox = 2 };
    int Type = Text;
    std::string Name;
    // TEXTAREA lines are joined by CR LF; a ticked CHECKBOX holds "on", an unticked one "".
    std::string Value;
};

// What the form editor shows for a form entry's Type.
const char* FormTypeName(int type);

struct KCookieData {
    std::string Name;
    std::string Value;
    // Kept and shown, never sent to the script.
    std::string Expires;
    std::string Domain;
    std::string Path;
    bool Secure = false;
};

// One ordered list of entries whose names are unique without regard to the case of A to Z.
template <class Entry> class KEntryList {
public:
    // The first entry whose name matches, or -1. Blanks count: "a " and "a" differ.
    int Find(const std::string& name) const;
    // Appends a new name (added = true) or overwrites every field of the entry it matches,
    // the name as typed now included, keeping its place. Answers the entry's index.
    std::pair<int, bool> Set(Entry entry);
    void Remove(int index);
    int Count() const { return static_cast<int>(entries_.size()); }
    const Entry& operator[](int index) const { return entries_.at(static_cast<size_t>(index)); }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }

private:
    std::vector<Entry> entries_;
};

class KCgiData {
public:
    enum { Get = 0, Post = 1 };

    explicit KCgiData(MessageService& messages) : messages_(messages) {}

    KEntryList<KEnvData> Env;
    KEntryList<KFormData> Form;
    KEntryList<KCookieData> Cookie;
    int Method = Get;
    // The code names and values are sent in: 0 Shift_JIS, 1 EUC-JP.
    int FormCode = 0;

    bool Empty() const { return !Env.Count() && !Form.Count() && !Cookie.Count(); }
    // name=value pairs of the form, URL-encoded in FormCode, joined by "&".
    std::string QueryString() const;
    // name=value pairs of the cookies, URL-encoded in FormCode, joined by "; ".
    std::string CookieString() const;
    // The child's environment: NAME=value entries each ended by a zero byte, and one more
    // zero byte; none when there are no entries at all, so the child inherits the program's.
    std::optional<std::string> EnvironmentBlock() const;
    // What a POST sends on the child's standard input: the query string; none for a GET or
    // when there are no entries.
    std::optional<std::string> RequestBody() const;
    // Hands EnvironmentBlock() and RequestBody() to a runner (anything with SetEnvironment
    // and SetInput).
    template <class Runner> void BuildEnvironment(Runner& runner) const {
        runner.SetEnvironment(EnvironmentBlock());
        if (auto body = RequestBody())
            runner.SetInput(std::move(*body));
    }

private:
    MessageService& messages_;
};
