#include "config/LangConfigForm.h"

#include "platform/Browse.h"
#include "platform/FileFacts.h"
#include "platform/IniFile.h"
#include "platform/MessageService.h"

std::string TempDirWithoutTrailingSlash(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

void LangConfigForm::Open(KVexilConfig& config) {
    config_ = &config;
    names_.clear();
    selected_ = -1;
    for (const auto& language : config.Languages) {
        names_.push_back(language->Name);
        if (config.Current && language->Name == config.Current->Name)
            selected_ = static_cast<int>(names_.size()) - 1;
    }
}

KLanguageSettings LangConfigForm::Fill() const {
    return config_ && config_->Current ? LanguageSettingsOf(*config_->Current)
                                       : KLanguageSettings{};
}

KLanguageSettings LangConfigForm::Choose(int index) {
    if (config_ && index >= 0) {
        config_->SelectLanguage(static_cast<size_t>(index));
        selected_ = index;
    }
    return Fill();
}

bool LangConfigForm::Apply(KLanguageSettings& shown) {
    shown = SingleLineValues(std::move(shown));
    shown.TempDir = TempDirWithoutTrailingSlash(shown.TempDir);
    if (!config_)
        return false;
    try {
        config_->ApplyLanguage(shown);
        return true;
    } catch (const IniError& e) {
        messages_.Show(e.what(), kErrorCaption, MessageIcon::Error);
        return false;
    }
}

LangConfigForm::Check LangConfigForm::Validate(const KLanguageSettings& shown,
                                               const std::function<void(const Check&)>& show) {
    // The field comes to the front first, so the message stands over what it names.
    auto fail = [&](Page page, Field focus, const std::string& message) {
        const Check check{false, page, focus};
        if (show)
            show(check);
        messages_.Show(message, kLanguageSettingsCaption, MessageIcon::Warning);
        return check;
    };
    // The interpreter that would be stored, a line break being the blank the field shows.
    const std::string exePath = SingleLine(shown.ExePath);
    if (!FileExists(exePath))
        return fail(kEnvironmentPage, kExePathField,
                    "ファイル " + exePath +
                        " は存在しません。\n存在する実行可能ファイルへのパスを設定してください。");
    if (!shown.UseTagJumpToOtherFile)
        return {};
    if (Trim(shown.RegExpFile).empty())
        return fail(kDebugPage, kRegExpFileField,
                    "エラーファイル名取得用の正規表現を設定してください");
    if (config_ && !config_->UseTagJump)
        messages_.Show("別のファイルにタグジャンプするためには、タグジャンプの設定が必要です。\n"
                       "[環境設定][エディタ]でタグジャンプに必要な設定を行ってください。",
                       kLanguageSettingsCaption, MessageIcon::Information);
    return {};
}

std::optional<std::string> LangConfigForm::BrowseExePath(const std::string& current) {
    FileDialogRequest request;
    request.filter = kExecutableFilter;
    request.fileName = current;
    return BrowseForFile(dialogs_, request);
}

std::optional<std::string> LangConfigForm::BrowseHelpFile(const std::string& current) {
    FileDialogRequest request;
    request.filter = kHelpFileFilter;
    request.fileName = current;
    return BrowseForFile(dialogs_, request);
}
