// popup_menu: a right-click popup menu whose items carry callbacks, with one command table shared by all
// menus.
#pragma once

#include "util/sys/handle_owner_win.h"
#include "util/ui/msg_hook_win.h"

#include <windows.h>

#include <boost/function.hpp>

#include <cstdint>
#include <list>
#include <string>

class popup_menu;

// One record of the shared command table. For a submenu entry `menu` is the
// submenu itself (not its parent) and `callback` is empty.
struct menu_item {
    popup_menu* menu;
    boost::function<void()> callback;
    std::uint32_t id; // 16-bit command id
};

// Records in the order they were appended.
using menu_item_list = std::list<menu_item>;

// A derived menu fills itself in `build`: it creates its handle (a top-level
// menu with create_popup, a submenu gets one from append_submenu), appends
// items, separators and submenus, and a top-level menu ends with show.
// When the owner window's procedure hands WM_COMMAND to on_message, the chosen
// item's callback runs and every menu of the tree is torn down again.
//
// Everything here belongs to the user-interface thread: the table, the live
// menu count and the id counter are shared by all menus without a lock.
// A menu is neither copied nor moved: the table points at it.
class popup_menu : public msg_hook {
public:
    popup_menu();
    ~popup_menu() override;

    // WM_COMMAND: runs the callback of the first record with the command id
    // (if there is one and it is not empty), then destroy_all; handled = true.
    // WM_INITMENUPOPUP: on_init_popup of the first record's menu whose handle
    // is wparam; handled = false. Other messages leave `handled` alone.
    // Returns 0. Nothing thrown by a callback or on_init_popup leaves it.
    LRESULT on_message(UINT msg, WPARAM wparam, LPARAM lparam, bool* handled) override;
    // Called when WM_INITMENUPOPUP opens this menu; does nothing by default.
    virtual void on_init_popup(LPARAM lparam);
    // Fills the menu; `arg` is handed through from whoever asks for the build.
    virtual int build(int arg) = 0;

    // `flags` go to AppendMenuW as they are (0, or MF_CHECKED for a mark).
    // The caption is kept up to its first zero unit. Needs the handle.
    void append_item(UINT flags, const std::wstring& text, boost::function<void()> callback);
    void append_separator();
    // Adds `sub` as a submenu entry, creating its handle when it has none
    // (a handle it still has is reused). The entry takes a command id too.
    void append_submenu(popup_menu& sub, const std::wstring& text);
    // The same, then returns sub.build(arg).
    int append_submenu(popup_menu& sub, const std::wstring& text, int arg);

    // Tracks the menu with its right edge at the mouse cursor; the choice
    // arrives at `owner` as WM_COMMAND after this returns.
    void show(HWND owner);
    // The same with the menu's top left corner at `top_left` (screen coordinates): for a
    // menu asked for from the keyboard, where the pointer may be anywhere.
    void show_at(HWND owner, POINT top_left);
    // Forgets this menu's captions, records and items; the handle survives.
    void clear();
    // Destroys the handle, captions and records of every menu that owns a
    // record, leaving the table empty.
    static void destroy_all();

    HMENU menu_handle() const { return hmenu.get(); }
    const std::list<std::wstring>& texts() const { return texts_; }

    // The shared state, for inspection: the table (null while no menu
    // exists), the number of live menus and the next id to hand out (its low
    // 16 bits). The counter is never reset, not even with a new table.
    static const menu_item_list* menu_item_table() { return table_; }
    static unsigned live_menu_count() { return live_count_; }
    static std::uint32_t next_command_id() { return next_id_; }

protected:
    // Destroys this menu's handle, if any, and creates a new empty popup menu:
    // how a top-level menu starts its build (after destroy_all).
    void create_popup();

    owned_menu hmenu;

private:
    void track(HWND owner, POINT at, UINT flags);
    // Takes this menu's entries out of its handle without destroying their submenus.
    void detach_items();
    // The one way a handle goes: DestroyMenu would take every submenu still attached
    // down with it, and a submenu's handle belongs to the submenu's own object.
    void destroy_handle();

    const wchar_t* keep_text(const std::wstring& text);
    static std::uint32_t take_command_id();

    std::list<std::wstring> texts_;

    static menu_item_list* table_;
    static unsigned live_count_;
    static std::uint32_t next_id_;
};
