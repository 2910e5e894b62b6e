#include "util/ui/popup_menu_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <boost/function.hpp>

#include "tests/util/trace/recording_sink.h"

#include <cstdint>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// A menu whose build is set by the test; it records what the framework hands it.
class test_menu : public popup_menu {
public:
    boost::function<void(test_menu&)> fill;
    std::vector<int> build_args;
    std::vector<LPARAM> init_popups;

    int build(int arg) override {
        build_args.push_back(arg);
        if (fill) fill(*this);
        return arg + 100;
    }
    void on_init_popup(LPARAM lparam) override { init_popups.push_back(lparam); }

    using popup_menu::create_popup;
    // Leaves the object without a handle, as a menu that was never created.
    void drop_handle() { hmenu.reset(); }
};

struct shown_item {
    std::wstring caption;
    UINT state; // GetMenuState's flags
    UINT id;
    HMENU submenu;
};

// The items of a real menu, read back from the system.
std::vector<shown_item> read_menu(HMENU menu) {
    std::vector<shown_item> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[128] = L"";
        const int length = GetMenuStringW(menu, i, caption, 128, MF_BYPOSITION);
        const HMENU submenu = GetSubMenu(menu, i);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        // A submenu entry's high byte is the submenu's item count.
        if (submenu != nullptr) state &= 0xFFu;
        items.push_back(
            {std::wstring(caption, length > 0 ? length : 0), state, GetMenuItemID(menu, i), submenu});
    }
    return items;
}

std::vector<std::uint32_t> table_ids() {
    std::vector<std::uint32_t> ids;
    for (const menu_item& item : *popup_menu::menu_item_table()) ids.push_back(item.id);
    return ids;
}

std::vector<const popup_menu*> table_menus() {
    std::vector<const popup_menu*> menus;
    for (const menu_item& item : *popup_menu::menu_item_table()) menus.push_back(item.menu);
    return menus;
}

struct counter {
    int* count;
    void operator()() const { ++*count; }
};

boost::function<void()> count_into(int& count) {
    return counter{&count};
}

struct command_result {
    LRESULT result;
    bool handled;
};

command_result send(popup_menu& menu, UINT msg, WPARAM wparam, LPARAM lparam, bool handled_before) {
    bool handled = handled_before;
    const LRESULT result = menu.on_message(msg, wparam, lparam, &handled);
    return {result, handled};
}

command_result command(popup_menu& menu, std::uint32_t id) {
    return send(menu, WM_COMMAND, id, 0, false);
}

// A small tree like the program's: two submenus (one built through append_submenu,
// one filled by hand and left empty), a separator and a plain item.
struct tree {
    test_menu top, scale, empty;
    int first = 0, second = 0, help = 0;

    explicit tree(int build_arg = 0) {
        top.create_popup();
        scale.fill = [this](test_menu& self) {
            self.append_item(0, L"10 secs", count_into(first));
            self.append_item(MF_CHECKED, L"1 min", count_into(second));
        };
        top.append_submenu(scale, L"Time Scale", build_arg);
        top.append_submenu(empty, L"Clear");
        top.append_separator();
        top.append_item(0, L"Help page", count_into(help));
    }
};

TEST(popup_menu, tree_takes_consecutive_ids_and_shows_captions_flags_and_submenus) {
    const std::uint32_t base = popup_menu::next_command_id();
    tree t(7);
    const std::uint32_t ids[] = {base & 0xFFFF, (base + 1) & 0xFFFF, (base + 2) & 0xFFFF, (base + 3) & 0xFFFF,
                                 (base + 4) & 0xFFFF};
    EXPECT_EQ(popup_menu::next_command_id(), base + 5);
    EXPECT_EQ(t.scale.build_args, std::vector<int>{7});

    // Table order is order of appending; a submenu entry belongs to the submenu.
    EXPECT_EQ(table_ids(), std::vector<std::uint32_t>(ids, ids + 5));
    EXPECT_EQ(table_menus(),
              (std::vector<const popup_menu*>{&t.scale, &t.scale, &t.scale, &t.empty, &t.top}));
    EXPECT_EQ(t.top.texts(), (std::list<std::wstring>{L"Time Scale", L"Clear", L"Help page"}));
    EXPECT_EQ(t.scale.texts(), (std::list<std::wstring>{L"10 secs", L"1 min"}));

    const std::vector<shown_item> top = read_menu(t.top.menu_handle());
    ASSERT_EQ(top.size(), 4u);
    EXPECT_EQ(top[0].caption, L"Time Scale");
    EXPECT_EQ(top[0].state, static_cast<UINT>(MF_POPUP));
    EXPECT_EQ(top[0].submenu, t.scale.menu_handle());
    EXPECT_EQ(top[1].caption, L"Clear");
    EXPECT_EQ(top[1].submenu, t.empty.menu_handle());
    EXPECT_TRUE(IsMenu(t.empty.menu_handle()));
    EXPECT_EQ(GetMenuItemCount(t.empty.menu_handle()), 0);
    EXPECT_TRUE(top[2].state & MF_SEPARATOR);
    EXPECT_EQ(top[3].caption, L"Help page");
    EXPECT_EQ(top[3].state, 0u);
    EXPECT_EQ(top[3].id, ids[4]);

    const std::vector<shown_item> scale = read_menu(t.scale.menu_handle());
    ASSERT_EQ(scale.size(), 2u);
    EXPECT_EQ(scale[0].caption, L"10 secs");
    EXPECT_EQ(scale[0].state, 0u);
    EXPECT_EQ(scale[0].id, ids[1]);
    EXPECT_EQ(scale[1].caption, L"1 min");
    EXPECT_EQ(scale[1].state, static_cast<UINT>(MF_CHECKED));
    EXPECT_EQ(scale[1].id, ids[2]);

    // A chosen item runs once; then every menu of the tree is gone.
    const HMENU handles[] = {t.top.menu_handle(), t.scale.menu_handle(), t.empty.menu_handle()};
    const command_result chosen = command(t.top, ids[2]);
    EXPECT_EQ(chosen.result, 0);
    EXPECT_TRUE(chosen.handled);
    EXPECT_EQ(t.first + t.help, 0);
    EXPECT_EQ(t.second, 1);
    EXPECT_TRUE(popup_menu::menu_item_table()->empty());
    for (const test_menu* menu : {&t.top, &t.scale, &t.empty}) {
        EXPECT_EQ(menu->menu_handle(), nullptr);
        EXPECT_TRUE(menu->texts().empty());
    }
    for (HMENU handle : handles) EXPECT_FALSE(IsMenu(handle));
}

TEST(popup_menu, caption_is_kept_up_to_its_first_zero_and_submenu_build_result_is_returned) {
    test_menu top, sub;
    top.create_popup();
    top.append_item(0, std::wstring(L"Cut\0here", 8), boost::function<void()>());
    EXPECT_EQ(top.append_submenu(sub, L"Sub", 5), 105);
    EXPECT_EQ(top.texts().front(), L"Cut");
    EXPECT_EQ(read_menu(top.menu_handle())[0].caption, L"Cut");
    popup_menu::destroy_all();
}

TEST(popup_menu, command_ids_wrap_after_65536_appends_and_reach_the_first_record) {
    const std::uint32_t base = popup_menu::next_command_id();
    test_menu top, filler;
    int first = 0, later = 0, fillers = 0;
    top.create_popup();
    top.append_item(0, L"first", count_into(first));
    filler.create_popup();
    // 65535 appends in between; the filler is emptied as it goes so the table and
    // the real menu stay small, while the counter keeps running.
    for (int i = 1; i < 65536; ++i) {
        filler.append_item(0, L"filler", count_into(fillers));
        if (i % 512 == 0) filler.clear();
    }
    top.append_item(0, L"later", count_into(later));
    EXPECT_EQ(popup_menu::next_command_id(), base + 65537);
    const std::vector<shown_item> shown = read_menu(top.menu_handle());
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].id, shown[1].id);
    EXPECT_EQ(shown[0].id, base & 0xFFFF);

    const command_result chosen = command(top, base & 0xFFFF);
    EXPECT_TRUE(chosen.handled);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(fillers, 0);
    EXPECT_TRUE(popup_menu::menu_item_table()->empty());
}

TEST(popup_menu, command_without_a_callback_to_run_calls_nothing_and_still_tears_down) {
    // An id no record holds.
    {
        tree t;
        const HMENU top = t.top.menu_handle();
        const command_result r = command(t.top, (popup_menu::next_command_id() + 100) & 0xFFFF);
        EXPECT_EQ(r.result, 0);
        EXPECT_TRUE(r.handled);
        EXPECT_EQ(t.first + t.second + t.help, 0);
        EXPECT_TRUE(popup_menu::menu_item_table()->empty());
        EXPECT_FALSE(IsMenu(top));
    }
    // The id of a submenu entry: its record has an empty callback, which must not be called.
    {
        const std::uint32_t entry = popup_menu::next_command_id() & 0xFFFF;
        tree t;
        ASSERT_EQ(popup_menu::menu_item_table()->front().id, entry);
        command_result r = {1, false};
        EXPECT_NO_THROW(r = command(t.top, entry));
        EXPECT_EQ(r.result, 0);
        EXPECT_TRUE(r.handled);
        EXPECT_EQ(t.first + t.second + t.help, 0);
        EXPECT_TRUE(popup_menu::menu_item_table()->empty());
        EXPECT_EQ(t.scale.menu_handle(), nullptr);
    }
    // A callback that throws: the exception stays inside, the teardown happens, and one
    // line on the output channel names the failure.
    {
        // The channel keeps its sinks until the process ends.
        static recording_sink output;
        ASSERT_TRUE(output_channel.add_sink(&output));
        tree t;
        t.top.append_item(0, L"fails", [] { throw std::runtime_error("command failed"); });
        const std::uint32_t id = (popup_menu::next_command_id() - 1) & 0xFFFF;
        command_result r = {1, false};
        EXPECT_NO_THROW(r = command(t.top, id));
        EXPECT_TRUE(r.handled);
        EXPECT_TRUE(popup_menu::menu_item_table()->empty());
        EXPECT_EQ("popup_menu: command " + std::to_string(id) + " failed: command failed\n", output.narrow);
    }
    // The high word (1 for an accelerator) is not part of the id.
    {
        tree t;
        const std::uint32_t help = popup_menu::menu_item_table()->back().id;
        EXPECT_TRUE(command(t.top, MAKEWPARAM(help, 1)).handled);
        EXPECT_EQ(t.help, 1);
    }
}

TEST(popup_menu, init_popup_reaches_the_opened_menu_and_leaves_default_processing_on) {
    tree t;
    // The empty submenu is found through its entry record alone.
    command_result r =
        send(t.top, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(t.empty.menu_handle()), 0x10001, true);
    EXPECT_EQ(r.result, 0);
    EXPECT_FALSE(r.handled);
    EXPECT_EQ(t.empty.init_popups, std::vector<LPARAM>{0x10001});
    EXPECT_TRUE(t.scale.init_popups.empty());
    EXPECT_TRUE(t.top.init_popups.empty());

    send(t.top, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(t.top.menu_handle()), 2, true);
    EXPECT_EQ(t.top.init_popups, std::vector<LPARAM>{2});

    // A handle that no menu holds, and a null one (even with a menu that has no
    // handle): nothing called, default processing on.
    t.scale.drop_handle();
    const HMENU stranger = CreatePopupMenu();
    r = send(t.top, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(stranger), 3, true);
    EXPECT_FALSE(r.handled);
    r = send(t.top, WM_INITMENUPOPUP, 0, 4, true);
    EXPECT_FALSE(r.handled);
    DestroyMenu(stranger);
    EXPECT_EQ(t.top.init_popups.size() + t.scale.init_popups.size() + t.empty.init_popups.size(), 2u);

    // Other messages leave the flag as it was and change nothing.
    EXPECT_TRUE(send(t.top, WM_RBUTTONDOWN, 0, 0, true).handled);
    EXPECT_FALSE(send(t.top, WM_NULL, 0, 0, false).handled);
    EXPECT_EQ(popup_menu::menu_item_table()->size(), 5u);
    EXPECT_TRUE(IsMenu(t.top.menu_handle()));
    popup_menu::destroy_all();
}

TEST(popup_menu, clear_drops_own_records_and_items_and_keeps_the_handles) {
    tree t;
    const HMENU top = t.top.menu_handle();
    const HMENU scale = t.scale.menu_handle();
    t.top.clear();
    EXPECT_TRUE(t.top.texts().empty());
    // The top's own record (Help page) went; the submenus' records stay in order.
    EXPECT_EQ(table_menus(), (std::vector<const popup_menu*>{&t.scale, &t.scale, &t.scale, &t.empty}));
    EXPECT_EQ(t.top.menu_handle(), top);
    EXPECT_EQ(GetMenuItemCount(top), 0);
    // Removing the entry does not destroy the submenu.
    EXPECT_TRUE(IsMenu(scale));
    EXPECT_EQ(GetMenuItemCount(scale), 2);

    // Without a handle, clear still drops texts and records.
    t.scale.drop_handle();
    t.scale.clear();
    EXPECT_EQ(t.scale.menu_handle(), nullptr);
    EXPECT_TRUE(t.scale.texts().empty());
    EXPECT_EQ(table_menus(), std::vector<const popup_menu*>{&t.empty});
    popup_menu::destroy_all();
    EXPECT_EQ(t.top.menu_handle(), top) << "the top menu owns no record any more";
    EXPECT_EQ(t.empty.menu_handle(), nullptr);
}

TEST(popup_menu, last_menu_frees_the_table_and_the_id_counter_goes_on) {
    EXPECT_EQ(popup_menu::live_menu_count(), 0u);
    EXPECT_EQ(popup_menu::menu_item_table(), nullptr);
    std::uint32_t after_first = 0;
    {
        test_menu a;
        {
            test_menu b;
            EXPECT_EQ(popup_menu::live_menu_count(), 2u);
            b.create_popup();
            b.append_item(0, L"b", boost::function<void()>());
        }
        // b's record went with it; a keeps the table.
        EXPECT_EQ(popup_menu::live_menu_count(), 1u);
        ASSERT_NE(popup_menu::menu_item_table(), nullptr);
        EXPECT_TRUE(popup_menu::menu_item_table()->empty());
        a.create_popup();
        a.append_item(0, L"a", boost::function<void()>());
        after_first = popup_menu::next_command_id();
    }
    EXPECT_EQ(popup_menu::live_menu_count(), 0u);
    EXPECT_EQ(popup_menu::menu_item_table(), nullptr);

    test_menu c;
    ASSERT_NE(popup_menu::menu_item_table(), nullptr);
    EXPECT_TRUE(popup_menu::menu_item_table()->empty());
    c.create_popup();
    c.append_item(0, L"c", boost::function<void()>());
    EXPECT_EQ(table_ids(), std::vector<std::uint32_t>{after_first & 0xFFFF});
    popup_menu::destroy_all();
}

TEST(popup_menu, submenu_that_still_has_its_handle_keeps_it) {
    test_menu sub, second_parent;
    HMENU handle = nullptr;
    {
        test_menu first_parent;
        first_parent.create_popup();
        second_parent.create_popup();
        first_parent.append_submenu(sub, L"Sub");
        handle = sub.menu_handle();
        ASSERT_TRUE(IsMenu(handle));
        second_parent.append_submenu(sub, L"Again");
        EXPECT_EQ(sub.menu_handle(), handle);
        EXPECT_EQ(GetSubMenu(second_parent.menu_handle(), 0), handle);
        // Each entry took an id and a record of its own.
        EXPECT_EQ(table_menus(), (std::vector<const popup_menu*>{&sub, &sub}));
        // A parent that starts afresh, and one that goes, leave the submenu's handle
        // to the submenu: DestroyMenu on a parent would destroy what is still in it.
        second_parent.create_popup();
        EXPECT_TRUE(IsMenu(handle));
    }
    EXPECT_TRUE(IsMenu(handle));
    EXPECT_EQ(sub.menu_handle(), handle);
    popup_menu::destroy_all();
    EXPECT_FALSE(IsMenu(handle));
}

// Records the addresses of destroyed callback objects, so a callback can tell
// whether it is running on an object that was destroyed while it ran.
std::set<const void*> destroyed_callbacks;

// A callback that rebuilds the menu it came from while it runs, as a right click
// does while a box opened by a command pumps messages.
struct rebuilding_callback {
    test_menu* menu;
    bool* ran_to_end;
    bool* ran_on_destroyed_object;

    rebuilding_callback(test_menu* m, bool* end, bool* destroyed)
        : menu(m), ran_to_end(end), ran_on_destroyed_object(destroyed) {}
    rebuilding_callback(const rebuilding_callback& other) = default;
    ~rebuilding_callback() { destroyed_callbacks.insert(this); }

    void operator()() const {
        destroyed_callbacks.erase(this);
        menu->build(0);
        *ran_on_destroyed_object = destroyed_callbacks.count(this) != 0;
        *ran_to_end = true;
    }
};

TEST(popup_menu, callback_that_rebuilds_the_tree_runs_on_its_own_copy) {
    bool ran_to_end = false, ran_on_destroyed_object = false;
    test_menu top;
    int builds = 0;
    top.fill = [&](test_menu& self) {
        ++builds;
        popup_menu::destroy_all();
        self.create_popup();
        self.append_item(0, L"Rebuild", rebuilding_callback(&self, &ran_to_end, &ran_on_destroyed_object));
        self.append_item(0, L"Other", boost::function<void()>());
    };
    top.build(0);
    const std::uint32_t rebuild_id = popup_menu::menu_item_table()->front().id;
    const command_result r = command(top, rebuild_id);
    EXPECT_TRUE(r.handled);
    EXPECT_EQ(builds, 2);
    EXPECT_TRUE(ran_to_end);
    EXPECT_FALSE(ran_on_destroyed_object);
    // The tree built inside the callback goes with the command's teardown.
    EXPECT_TRUE(popup_menu::menu_item_table()->empty());
    EXPECT_EQ(top.menu_handle(), nullptr);
}

} // namespace
