#include "platform/qt/QtMessageService.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

namespace {

QMessageBox::Icon ToQt(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Warning:
        return QMessageBox::Warning;
    case MessageIcon::Error:
        return QMessageBox::Critical;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// A message belongs to the window the user is working in (the form editor, a settings
// dialog): it shows over that window, which gets the focus back afterwards.
QWidget* Owner(QWidget* fallback) {
    QWidget* active = QApplication::activeWindow();
    return active ? active : fallback;
}

int Exec(QWidget* parent, const std::string& text, const std::string& caption, MessageIcon icon,
         QMessageBox::StandardButtons buttons, QMessageBox::StandardButton defaultButton) {
    QMessageBox box(ToQt(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    buttons, Owner(parent));
    box.setDefaultButton(defaultButton);
    // Without a desktop icon theme the style falls back to dated pictures on the buttons.
    for (QAbstractButton* button : box.buttons())
        button->setIcon(QIcon());
    return box.exec();
}

} // namespace

void QtMessageService::Show(const std::string& text, const std::string& caption, MessageIcon icon) {
    Exec(parent_, text, caption, icon, QMessageBox::Ok, QMessageBox::Ok);
}

MessageAnswer QtMessageService::AskYesNo(const std::string& text, const std::string& caption,
                                         MessageIcon icon) {
    int r =
        Exec(parent_, text, caption, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return r == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

MessageAnswer QtMessageService::AskYesNoDefaultNo(const std::string& text,
                                                  const std::string& caption, MessageIcon icon) {
    int r = Exec(parent_, text, caption, icon, QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return r == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
}

MessageAnswer QtMessageService::AskYesNoCancel(const std::string& text, const std::string& caption,
                                               MessageIcon icon) {
    int r = Exec(parent_, text, caption, icon,
                 QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (r == QMessageBox::Yes)
        return MessageAnswer::Yes;
    if (r == QMessageBox::No)
        return MessageAnswer::No;
    return MessageAnswer::Cancel;
}
