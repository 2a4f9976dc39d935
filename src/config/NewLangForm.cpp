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
    if (!LanguageNameIsFileName(name))
        return refuse(kUnusableLanguageName);
    if (pathText.empty())
        return refuse("実行パスを指定してください");
    if (!FileExists(pathText))
        return refuse("ファイル " + pathText + "は存在しません");
    LanguageName = name;
    LanguagePath = pathText;
    return true;
}

std::optional<std::string> NewLangForm::Browse() {
    FileDialogRequest request;
    request.filter = kExecutableFilter;
    return BrowseForFile(dialogs_, request);
}
