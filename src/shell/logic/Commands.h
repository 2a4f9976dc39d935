#pragma once
// The main window's commands as one table (menu, caption, key, check mark, tool button, hint)
// and the one point every command passes through. Modules register their handlers by command
// name; the window builds its menus and tool bar from the table.

#include <functional>
#include <map>
#include <string>
#include <vector>

class MessageService;

struct MenuRow {
    const char* name; // object name of the menu
    const char* caption;
};

struct CommandRow {
    const char* menu;     // the menu (or submenu) it sits in
    const char* name;     // "-" for a separator
    const char* caption;  // shown in the menu
    const char* shortcut; // key sequence text, "" for none
    bool checkable = false;
    bool submenu = false; // the row opens a submenu named by name
    bool hidden = false;
};

struct ButtonRow {
    const char* name; // "-" for a separator
    const char* command;
    const char* hint;
};

// The menu bar's menus, left to right.
const std::vector<MenuRow>& MenuTable();
// Every command in menu order.
const std::vector<CommandRow>& CommandTable();
// The tool bar, left to right. A button invokes its command and is down while it is checked.
const std::vector<ButtonRow>& ToolBarTable();

class CommandDispatcher {
public:
    explicit CommandDispatcher(MessageService& messages) : messages_(messages) {}

    void Register(const std::string& name, std::function<void()> handler);
    bool Has(const std::string& name) const { return handlers_.count(name) > 0; }
    // Runs the command's handler. Whatever it throws (a settings file that cannot be written,
    // memory running out) is told to the user and goes no further: no command ends the program.
    // False when nothing is registered under the name or the handler threw.
    bool Dispatch(const std::string& name);
    // The same guard for work that is not a menu command (a drop, a hand-over): what reaches
    // the user is named after what.
    bool Guard(const std::string& what, const std::function<void()>& body);

private:
    MessageService& messages_;
    std::map<std::string, std::function<void()>> handlers_;
};
