#pragma once

#include <QKeySequence>
#include <QList>
#include <QString>

#include <vector>

namespace korvanix::gui {

// One item of a menu: the command id (0 for a separator) and the item text, whose
// part after "\t" names the shortcut key.
struct MenuItemEntry {
    int id;
    const char* text;
};

struct MenuEntry {
    const char* title;
    std::vector<MenuItemEntry> items;
};

// An element palette: its caption, the main toolbar button that opens it, its
// buttons (0 is a separator) and its width in pixels.
struct PaletteEntry {
    int buttonId;
    const char* caption;
    std::vector<int> buttons;
    int width;
};

// The menus of the main window, in order.
const std::vector<MenuEntry>& MainMenus();
// The sheet's context menus: on a selected element, and on the empty sheet.
const std::vector<MenuItemEntry>& ElementContextMenu();
const std::vector<MenuItemEntry>& SheetContextMenu();
// The main toolbar, 0 being a separator.
const std::vector<int>& MainToolbarButtons();
// The three element palettes.
const std::vector<PaletteEntry>& Palettes();

// The command's string: the prompt, then "\n" and the short name when there is
// one. Empty for a command without a string.
QString CommandString(int id);
// The prompt (for the status bar) and the short name (for tool tips). A command
// without a short name uses its prompt as the tool tip.
QString CommandPrompt(int id);
QString CommandShortName(int id);

// The item's own text (before "\t") and its shortcut (after it).
QString ItemText(const char* text);
QString ItemShortcutText(const char* text);

// Every key of a command: the one its menu item names and those of the
// accelerator table (numeric-pad plus and minus for the zoom commands).
QList<QKeySequence> CommandShortcuts(int id);

// Toolbar buttons that stay pressed.
bool IsCheckCommand(int id);
// Toolbar buttons that are disabled until the scheme window says otherwise.
bool StartsDisabled(int id);

} // namespace korvanix::gui
