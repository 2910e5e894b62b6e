#include "util/ui/popup_menu_win.h"

#include <cwchar>
#include <exception>
#include <string>

#include "util/trace/trace_channel_win.h"

menu_item_list* popup_menu::table_ = nullptr;
unsigned popup_menu::live_count_ = 0;
std::uint32_t popup_menu::next_id_ = 0;

namespace {

// Track with the menu's right edge at the cursor, left button only, and without
// TPM_RETURNCMD: the choice comes back as a posted WM_COMMAND.
constexpr UINT track_flags = TPM_RIGHTALIGN;

// A command that failed is over all the same; one line on the output channel says which and why.
void report_failed_command(std::uint32_t id, const char* what) {
    output_channel.send(("popup_menu: command " + std::to_string(id) + " failed: " + what + "\n").c_str());
}

} // namespace

popup_menu::popup_menu() {
    if (live_count_ == 0) table_ = new menu_item_list;
    ++live_count_;
}

popup_menu::~popup_menu() {
    destroy_handle();
    clear();
    if (registry() != nullptr) registry()->remove(*this);
    if (--live_count_ == 0) {
        delete table_;
        table_ = nullptr;
    }
}

void popup_menu::on_init_popup(LPARAM) {}

const wchar_t* popup_menu::keep_text(const std::wstring& text) {
    // Up to the first zero unit, as the menu itself would show it.
    texts_.emplace_back(text.c_str(), std::wcslen(text.c_str()));
    return texts_.back().c_str();
}

std::uint32_t popup_menu::take_command_id() {
    const std::uint32_t id = next_id_ & 0xFFFFu;
    ++next_id_;
    return id;
}

void popup_menu::append_item(UINT flags, const std::wstring& text, boost::function<void()> callback) {
    const wchar_t* caption = keep_text(text);
    const std::uint32_t id = take_command_id();
    table_->push_back(menu_item{this, std::move(callback), id});
    AppendMenuW(hmenu.get(), flags, id, caption);
}

void popup_menu::append_separator() {
    AppendMenuW(hmenu.get(), MF_SEPARATOR, 0, nullptr);
}

void popup_menu::append_submenu(popup_menu& sub, const std::wstring& text) {
    const wchar_t* caption = keep_text(text);
    if (!sub.hmenu) sub.hmenu.reset(CreatePopupMenu());
    const std::uint32_t id = take_command_id();
    // This record ties the submenu's handle to its object for WM_INITMENUPOPUP
    // and destroy_all even while the submenu has no items of its own.
    table_->push_back(menu_item{&sub, boost::function<void()>(), id});
    AppendMenuW(hmenu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(sub.hmenu.get()), caption);
}

int popup_menu::append_submenu(popup_menu& sub, const std::wstring& text, int arg) {
    append_submenu(sub, text);
    return sub.build(arg);
}

void popup_menu::show(HWND owner) {
    // Where the pointer is now, not where the click was: the build may have taken a while.
    POINT cursor = {0, 0};
    GetCursorPos(&cursor);
    track(owner, cursor, track_flags);
}

void popup_menu::show_at(HWND owner, POINT top_left) {
    track(owner, top_left, (track_flags & ~TPM_RIGHTALIGN) | TPM_LEFTALIGN);
}

void popup_menu::track(HWND owner, POINT at, UINT flags) {
    // Without the foreground the menu would not close when the user clicks
    // outside it; the WM_NULL afterwards wakes the owner's queue once more, which
    // keeps the next right click from only closing a menu instead of opening one.
    SetForegroundWindow(owner);
    TrackPopupMenu(hmenu.get(), flags, at.x, at.y, 0, owner, nullptr);
    PostMessageW(owner, WM_NULL, 0, 0);
}

void popup_menu::clear() {
    texts_.clear();
    if (table_ != nullptr) table_->remove_if([this](const menu_item& item) { return item.menu == this; });
    detach_items();
}

void popup_menu::detach_items() {
    if (!hmenu) return;
    const int count = GetMenuItemCount(hmenu.get());
    // RemoveMenu, not DeleteMenu: a submenu's handle belongs to its own object.
    for (int i = 0; i < count; ++i) RemoveMenu(hmenu.get(), 0, MF_BYPOSITION);
}

void popup_menu::destroy_handle() {
    detach_items();
    hmenu.reset();
}

void popup_menu::destroy_all() {
    if (table_ == nullptr) return;
    while (!table_->empty()) {
        popup_menu* menu = table_->front().menu;
        menu->destroy_handle();
        menu->clear(); // drops every record of `menu`, the first one included
    }
}

void popup_menu::create_popup() {
    destroy_handle();
    hmenu.reset(CreatePopupMenu());
}

LRESULT popup_menu::on_message(UINT msg, WPARAM wparam, LPARAM lparam, bool* handled) {
    if (msg == WM_COMMAND) {
        const std::uint32_t id = LOWORD(wparam);
        try {
            // A copy: the callback may rebuild the menus (a right click while a
            // box it opened pumps messages), which destroys the table's record.
            // A submenu entry's id finds an empty callback: nothing to run.
            boost::function<void()> callback;
            for (const menu_item& item : *table_) {
                if (item.id == id) {
                    callback = item.callback;
                    break;
                }
            }
            if (!callback.empty()) callback();
        } catch (const std::exception& e) {
            // This runs inside a window procedure, which nothing may unwind;
            // the command is over either way and the menus go as usual.
            report_failed_command(id, e.what());
        } catch (...) {
            report_failed_command(id, "an exception of unknown type");
        }
        destroy_all();
        if (handled != nullptr) *handled = true;
    } else if (msg == WM_INITMENUPOPUP) {
        const HMENU opened = reinterpret_cast<HMENU>(wparam);
        // A null handle opens no menu, not one of ours that has no handle.
        for (const menu_item& item : *table_) {
            if (opened != nullptr && item.menu->hmenu.get() == opened) {
                try {
                    item.menu->on_init_popup(lparam);
                } catch (...) {
                    // As for commands: nothing unwinds the window procedure.
                }
                break;
            }
        }
        if (handled != nullptr) *handled = false;
    }
    return 0;
}
