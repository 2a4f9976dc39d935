#include "config/qt/QtHistoryMenu.h"

#include <QAction>
#include <QMenu>
#include <stdexcept>

QAction* QtHistoryMenu::At(int position) const {
    const QList<QAction*> actions = menu_->actions();
    if (position < 0 || position >= actions.size())
        throw std::out_of_range("no menu item at position " + std::to_string(position));
    return actions[position];
}

void QtHistoryMenu::Insert(int position, QAction* action) {
    const QList<QAction*> actions = menu_->actions();
    QAction* before = position >= 0 && position < actions.size() ? actions[position] : nullptr;
    menu_->insertAction(before, action);
}

int QtHistoryMenu::Count() const {
    return static_cast<int>(menu_->actions().size());
}

void QtHistoryMenu::InsertItem(int position, const std::string& name, const std::string& caption,
                               int tag, Click onClick) {
    auto* action = new QAction(QString::fromStdString(caption), menu_);
    action->setObjectName(QString::fromStdString(name));
    action->setData(tag);
    if (onClick) {
        // The tag is read at the click, since renumbering changes it after insertion.
        QObject::connect(
            action, &QAction::triggered, action,
            [action, onClick = std::move(onClick)] { onClick(action->data().toInt()); });
    }
    Insert(position, action);
}

void QtHistoryMenu::InsertSeparator(int position) {
    auto* action = new QAction(menu_);
    action->setSeparator(true);
    Insert(position, action);
}

void QtHistoryMenu::DeleteItem(int position) {
    QAction* action = At(position);
    menu_->removeAction(action);
    // Deleted later: the item may be the one whose click is being handled right now.
    action->deleteLater();
}

void QtHistoryMenu::SetCaption(int position, const std::string& caption) {
    At(position)->setText(QString::fromStdString(caption));
}

void QtHistoryMenu::SetTag(int position, int tag) {
    At(position)->setData(tag);
}

void QtHistoryMenu::SetEnabled(int position, bool enabled) {
    At(position)->setEnabled(enabled);
}

void QtHistoryMenu::SetVisible(int position, bool visible) {
    At(position)->setVisible(visible);
}

std::string QtHistoryMenu::Name(int position) const {
    return At(position)->objectName().toStdString();
}

std::string QtHistoryMenu::Caption(int position) const {
    return At(position)->text().toStdString();
}

int QtHistoryMenu::Tag(int position) const {
    return At(position)->data().toInt();
}

bool QtHistoryMenu::Enabled(int position) const {
    return At(position)->isEnabled();
}

bool QtHistoryMenu::Visible(int position) const {
    return At(position)->isVisible();
}

bool QtHistoryMenu::IsSeparator(int position) const {
    return At(position)->isSeparator();
}
