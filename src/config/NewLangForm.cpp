#include "config/NewLangForm.h"

#include "config/Kvexilconfig.h"
#include "platform/Browse.h"
#include "platform/FileFacts.h"
#include "platform/MessageService.h"

bool NewLangForm::Confirm(const std::string& nameText, const std::string& pathText) {
    const std::string name = Trim(nameText);
    auto refuse = [this](const std::string& text) {
        messages_.Show(text, kNewLanguageCaption, MessageIcon::Warning);
        return false;
    };
    if (name.empty())
        return refuse("言語名を指定してください");
    if (!UsableLanguageName(name))
        return refuse(kUnusableLanguageName);
    // The path as the field shows it, which is what can be stored.
    const std::string path = SingleLine(pathText);
    if (path.empty())
        return refuse("実行パスを指定してください");
    if (!FileExists(path))
        return refuse("ファイル " + path + "は存在しません");
    LanguageName = name;
    LanguagePath = path;
    return true;
}

std::optional<std::string> NewLangForm::Browse(const std::string& current) {
    FileDialogRequest request;
    request.filter = kExecutableFilter;
    request.fileName = current;
    return BrowseForFile(dialogs_, request);
}
