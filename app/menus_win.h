// The main window's context menu and its Time Scale, Average Time and Clear submenus.
#pragma once

#include <string>

#include "util/ui/popup_menu_win.h"

struct brisk_window;

// Every right click rebuilds the whole tree, so the check marks always show the
// window's current settings. The menus change window fields only; the repaint
// timer brings the change to the screen.
class _context_menu : public popup_menu {
public:
    explicit _context_menu(brisk_window& owner) : window(owner) {}
    // Rebuilds the tree and shows it at the mouse cursor. `arg` is not read.
    int build(int arg) override;

    brisk_window& window;
};

class _time_scale_menu : public popup_menu {
public:
    explicit _time_scale_menu(brisk_window& owner) : window(owner) {}
    int build(int arg) override;
    void set_time_scale(int seconds);

    brisk_window& window;
};

class _clear_menu : public popup_menu {
public:
    explicit _clear_menu(brisk_window& owner) : window(owner) {}
    int build(int arg) override;

    brisk_window& window;
};

class _avg_scale_menu : public popup_menu {
public:
    explicit _avg_scale_menu(brisk_window& owner) : window(owner) {}
    int build(int arg) override;
    void set_avg_time(double seconds);
    void toggle_only_avg();

    brisk_window& window;
};

// The callbacks of the last three context menu items.
void open_help_page();
void open_contact_page();
void show_about();

// The addresses the help items open: the maker's pages with url_suffix appended.
std::wstring help_page_address();
std::wstring contact_page_address();

extern const wchar_t about_text[];
