#pragma once

#include <string>
#include <vector>

// Menus, toolbars and keys as data: a window renders them, shows the check marks and enable
// states they hold, and hands the chosen item's Id back to its owner's OnMenuCommand. The
// check marks are state of the menu itself: the owner's toggles read them as the present
// state.

template <typename Command> struct MenuItem {
    Command Id{};
    // The item text, a tab before the key hint ("Connect\tCtrl+C"); empty for a separator.
    std::string Text;
    bool Separator = false;
    bool Checked = false;
    bool Enabled = true;
};

template <typename Command> struct Menu {
    std::string Title;
    std::vector<MenuItem<Command>> Items;
};

template <typename Command> struct MenuBar {
    std::vector<Menu<Command>> Menus;

    // The item with this id, or nullptr; separators are never found.
    MenuItem<Command>* Find(Command id) {
        for (Menu<Command>& menu : Menus) {
            for (MenuItem<Command>& item : menu.Items) {
                if (!item.Separator && item.Id == id) {
                    return &item;
                }
            }
        }
        return nullptr;
    }
    const MenuItem<Command>* Find(Command id) const { return const_cast<MenuBar*>(this)->Find(id); }
    bool IsChecked(Command id) const {
        const MenuItem<Command>* item = Find(id);
        return item != nullptr && item->Checked;
    }
    bool IsEnabled(Command id) const {
        const MenuItem<Command>* item = Find(id);
        return item != nullptr && item->Enabled;
    }
    void SetChecked(Command id, bool checked) {
        if (MenuItem<Command>* item = Find(id)) {
            item->Checked = checked;
        }
    }
    void SetEnabled(Command id, bool enabled) {
        if (MenuItem<Command>* item = Find(id)) {
            item->Enabled = enabled;
        }
    }
};

// One toolbar button: the command it gives, the image it shows and its tooltip text.
template <typename Command> struct ToolbarButton {
    Command Id{};
    int Image = 0;
    std::string Tooltip;
};

// The keys the windows act on; a window forwards every other key as Other.
enum class Key { Other, F5, F6, F7, A, C, D, F, L, R, S, Escape };
