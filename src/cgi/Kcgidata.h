#pragma once
// A CGI request described without a web server: extra environment variables, form fields and
// cookies, the method and the code of the form data. A run in the CGI data mode gets the
// request as the child's whole environment. Names and values are held as typed, in UTF-8, and
// become the bytes of the form code only on their way to the script (cgi/FormCode).

#include "cgi/FormCode.h"

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

// How a list tells two names apart. Form fields and cookies match without regard to the case
// of A to Z; environment variables are case-sensitive on Linux, so PATH and path are two.
enum class NameMatch { IgnoreAsciiCase, Exact };

// One ordered list of entries whose names are unique under its NameMatch.
template <class Entry> class KEntryList {
public:
    explicit KEntryList(NameMatch match = NameMatch::IgnoreAsciiCase) : match_(match) {}

    // The first entry whose name matches, or -1. Blanks count: "a " and "a" differ. Only
    // single-byte letters fold: a byte of a multi-byte character never does.
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
    NameMatch match_;
    std::vector<Entry> entries_;
};

// Why an entry cannot be part of the request in formCode, as the message that names it; empty
// when it can. An environment entry must have a name without '=' and NUL and a value without
// NUL, or it would not be one variable; the texts that are sent must be held by the code.
std::string EntryFault(const KEnvData& entry, int formCode, MessageService& messages);
std::string EntryFault(const KFormData& entry, int formCode, MessageService& messages);
std::string EntryFault(const KCookieData& entry, int formCode, MessageService& messages);

class KCgiData {
public:
    enum { Get = 0, Post = 1 };

    explicit KCgiData(MessageService& messages) : messages_(messages) {}

    KEntryList<KEnvData> Env{NameMatch::Exact};
    KEntryList<KFormData> Form;
    KEntryList<KCookieData> Cookie;
    int Method = Get;
    // The code names and values are sent in: kFormSjis, kFormEuc or kFormUtf8.
    int FormCode = kDefaultFormCode;

    bool Empty() const { return !Env.Count() && !Form.Count() && !Cookie.Count(); }
    // The message naming the first entry that cannot be sent in formCode, or empty.
    std::string FirstFault(int formCode) const;
    // name=value pairs of the form, URL-encoded in FormCode, joined by "&".
    std::string QueryString() const;
    // name=value pairs of the cookies, URL-encoded in FormCode, joined by "; ".
    std::string CookieString() const;
    // The child's environment: NAME=value entries each ended by a zero byte, and one more
    // zero byte; none when there are no entries at all, so the child inherits the program's.
    // An environment entry that would not be one variable is left out.
    std::optional<std::string> EnvironmentBlock() const;
    // What a POST sends on the child's standard input: the query string; none for a GET or
    // when there are no entries.
    std::optional<std::string> RequestBody() const;
    // Hands EnvironmentBlock() and RequestBody() to a runner (anything with SetEnvironment
    // and SetInput). An entry the form editor would have refused is named in a message first.
    template <class Runner> void BuildEnvironment(Runner& runner) const {
        Request request = ComposeForRun();
        runner.SetEnvironment(std::move(request.block));
        if (request.body)
            runner.SetInput(std::move(*request.body));
    }

private:
    struct Request {
        std::optional<std::string> block;
        std::optional<std::string> body;
    };
    // Both at once, so that a missing converter is told once per request.
    Request Compose() const;
    // Compose, after the message naming an entry that cannot be sent as it is.
    Request ComposeForRun() const;
    std::string Pairs(bool cookies, bool& converterMissing) const;

    MessageService& messages_;
};
