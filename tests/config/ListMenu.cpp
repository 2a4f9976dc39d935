#include "ListMenu.h"

#include <stdexcept>

ListMenu::Item& ListMenu::At(int position) {
    return const_cast<Item&>(static_cast<const ListMenu*>(this)->At(position));
}

const ListMenu::Item& ListMenu::At(int position) const {
    if (position < 0 || position >= Count())
        throw std::out_of_range("no menu item at " + std::to_string(position));
    return items_[static_cast<size_t>(position)];
}

void ListMenu::InsertItem(int position, const std::string& name, const std::string& caption,
                          int tag, Click onClick) {
    if (position < 0 || position > Count())
        throw std::out_of_range("cannot insert at " + std::to_string(position));
    Item item;
    item.name = name;
    item.caption = caption;
    item.tag = tag;
    item.onClick = std::move(onClick);
    items_.insert(items_.begin() + position, std::move(item));
}

void ListMenu::InsertSeparator(int position) {
    if (position < 0 || position > Count())
        throw std::out_of_range("cannot insert at " + std::to_string(position));
    Item item;
    item.separator = true;
    items_.insert(items_.begin() + position, std::move(item));
}

void ListMenu::DeleteItem(int position) {
    At(position);
    items_.erase(items_.begin() + position);
}

bool ListMenu::Press(int position) {
    Item& item = At(position);
    if (!item.enabled || !item.visible || !item.onClick)
        return false;
    auto onClick = item.onClick; // the handler may delete the item
    onClick(item.tag);
    return true;
}
