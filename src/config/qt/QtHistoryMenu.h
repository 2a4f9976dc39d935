#pragma once
// The recent-file menu on a real QMenu: each child is a QAction of the menu, in menu order.
// The main window hands its "開きなおす(&R)" submenu to one of these and the history to that.

#include "config/HistoryMenu.h"

class QAction;
class QMenu;

class QtHistoryMenu : public HistoryMenu {
public:
    // The menu is not owned; it must outlive this object.
    explicit QtHistoryMenu(QMenu* menu) : menu_(menu) {}

    QMenu* Menu() const { return menu_; }

    int Count() const override;
    void InsertItem(int position, const std::string& name, const std::string& caption, int tag,
                    Click onClick) override;
    void InsertSeparator(int position) override;
    void DeleteItem(int position) override;

    void SetCaption(int position, const std::string& caption) override;
    void SetTag(int position, int tag) override;
    void SetEnabled(int position, bool enabled) override;
    void SetVisible(int position, bool visible) override;

    std::string Name(int position) const override;
    std::string Caption(int position) const override;
    int Tag(int position) const override;
    bool Enabled(int position) const override;
    bool Visible(int position) const override;
    bool IsSeparator(int position) const override;

private:
    QAction* At(int position) const;
    void Insert(int position, QAction* action);

    QMenu* menu_;
};
