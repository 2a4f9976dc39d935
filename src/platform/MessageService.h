#pragma once
// Every message box and question of the program goes through one of these, handed in as an
// instance, so that logic can be driven and checked without a window.

#include <string>

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageAnswer { Ok, Yes, No, Cancel };

inline constexpr const char* kAppCaption = "VexilPro";
inline constexpr const char* kErrorCaption = "Vexil - Error";
inline constexpr const char* kConfirmCaption = "Vexil - 確認";
inline constexpr const char* kSaveConfirmCaption = "Vexil - 保存確認";

class MessageService {
public:
    virtual ~MessageService() = default;
    // A plain box with an OK button.
    virtual void Show(const std::string& text, const std::string& caption = kAppCaption,
                      MessageIcon icon = MessageIcon::None) = 0;
    // Answers Yes or No.
    virtual MessageAnswer AskYesNo(const std::string& text, const std::string& caption,
                                   MessageIcon icon = MessageIcon::Question) = 0;
    // Answers Yes or No, with No as the default button: for questions whose Yes destroys.
    virtual MessageAnswer AskYesNoDefaultNo(const std::string& text, const std::string& caption,
                                            MessageIcon icon = MessageIcon::Question) {
        return AskYesNo(text, caption, icon);
    }
    // Answers Yes, No or Cancel.
    virtual MessageAnswer AskYesNoCancel(const std::string& text, const std::string& caption,
                                         MessageIcon icon = MessageIcon::Question) = 0;
};
