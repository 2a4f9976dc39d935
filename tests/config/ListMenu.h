#pragma once
// A menu held in a plain list, for driving the history without widgets.

#include "config/HistoryMenu.h"

#include <vector>

class ListMenu : public HistoryMenu {
public:
    struct Item {
        std::string name, caption;
        int tag = 0;
        bool enabled = true, visible = true, separator = false;
        Click onClick;
    };

    int Count() const override { return static_cast<int>(items_.size()); }
    void InsertItem(int position, const std::string& name, const std::string& caption, int tag,
                    Click onClick) override;
    void InsertSeparator(int position) override;
    void DeleteItem(int position) override;
    void SetCaption(int position, const std::string& caption) override {
        At(position).caption = caption;
    }
    void SetTag(int position, int tag) override { At(position).tag = tag; }
    void SetEnabled(int position, bool enabled) override { At(position).enabled = enabled; }
    void SetVisible(int position, bool visible) override { At(position).visible = visible; }
    std::string Name(int position) const override { return At(position).name; }
    std::string Caption(int position) const override { return At(position).caption; }
    int Tag(int position) const override { return At(position).tag; }
    bool Enabled(int position) const override { return At(position).enabled; }
    bool Visible(int position) const override { return At(position).visible; }
    bool IsSeparator(int position) const override { return At(position).separator; }

    // Clicks the item as a user would: only an enabled, visible item with a handler reacts.
    bool Press(int position);

private:
    Item& At(int position);
    const Item& At(int position) const;
    std::vector<Item> items_;
};
