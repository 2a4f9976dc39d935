#pragma once
// The menu that the recent-file history keeps its items in: the children of one menu item,
// addressed by position from the top. The main window hands over its real menu; the history
// itself knows nothing of widgets.

#include <functional>
#include <string>

class HistoryMenu {
public:
    // Receives the clicked item's tag.
    using Click = std::function<void(int tag)>;

    virtual ~HistoryMenu() = default;

    // Number of children, hidden ones and separators included.
    virtual int Count() const = 0;
    // Inserts an item before position (Count() appends); it starts enabled and visible.
    virtual void InsertItem(int position, const std::string& name, const std::string& caption,
                            int tag, Click onClick) = 0;
    virtual void InsertSeparator(int position) = 0;
    virtual void DeleteItem(int position) = 0;

    virtual void SetCaption(int position, const std::string& caption) = 0;
    virtual void SetTag(int position, int tag) = 0;
    virtual void SetEnabled(int position, bool enabled) = 0;
    virtual void SetVisible(int position, bool visible) = 0;

    virtual std::string Name(int position) const = 0;
    virtual std::string Caption(int position) const = 0;
    virtual int Tag(int position) const = 0;
    virtual bool Enabled(int position) const = 0;
    virtual bool Visible(int position) const = 0;
    virtual bool IsSeparator(int position) const = 0;
};
