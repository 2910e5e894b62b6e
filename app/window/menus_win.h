// The main window's context menu and its Time Scale, Average Time and Clear submenus.
#pragma once

#include <windows.h>

#include <boost/function.hpp>

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>

#include "app/store/view_settings.h"
#include "util/ui/popup_menu_win.h"

// The menu classes keep the names they have always had. A name that begins with an
// underscore is reserved at global scope, not inside a namespace: here they are free.
namespace menus {

class _time_scale_menu : public popup_menu {
public:
    explicit _time_scale_menu(view_settings& settings) : view(settings) {}
    int build(int arg) override;
    void set_time_scale(int seconds);

    view_settings& view;
};

class _avg_scale_menu : public popup_menu {
public:
    explicit _avg_scale_menu(view_settings& settings) : view(settings) {}
    int build(int arg) override;
    void set_avg_time(double seconds);
    void toggle_only_avg();

    view_settings& view;
};

// The two clears of the graph, run as they are chosen.
class _clear_menu : public popup_menu {
public:
    _clear_menu(boost::function<void()> outside, boost::function<void()> all)
        : clear_outside(std::move(outside)), clear_all(std::move(all)) {}
    int build(int arg) override;

    boost::function<void()> clear_outside;
    boost::function<void()> clear_all;
};

// Every right click rebuilds the whole tree, so the check marks always show the
// current settings. The submenus are held by reference: they may be built after this.
class _context_menu : public popup_menu {
public:
    _context_menu(const std::atomic<HWND>& owner, _time_scale_menu& time_scale, _avg_scale_menu& avg_scale,
                  _clear_menu& clear)
        : owner_(owner), time_scale_(time_scale), avg_scale_(avg_scale), clear_(clear) {}
    // Rebuilds the tree and shows it at the mouse cursor for the owner window. `arg` is
    // not read.
    int build(int arg) override;
    // The same tree shown with its top left corner at `top_left` (screen coordinates): the
    // menu asked for from the keyboard.
    void open_at(POINT top_left);

private:
    void fill();

    const std::atomic<HWND>& owner_;
    _time_scale_menu& time_scale_;
    _avg_scale_menu& avg_scale_;
    _clear_menu& clear_;
};

} // namespace menus

// The callbacks of the last three context menu items.
void open_help_page();
void open_contact_page();
void show_about();

// The addresses the help items open: the maker's pages with url_suffix appended.
std::wstring help_page_address();
std::wstring contact_page_address();

extern const wchar_t about_text[];
