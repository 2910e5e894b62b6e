// The main window's context menu and its submenus: built, shown and carried out; the help and about pages.
#include "app/window/menus_win.h"

#include <boost/lambda/bind.hpp>

#include "app/window/app_texts.h"
#include "app/window/time_scales.h"
#include "echoview_version.h"
#include "util/ui/message_box_win.h"
#include "util/ui/open_url.h"

const wchar_t about_text[] =
    L"Echoview " ECHOVIEW_VERSION_WTEXT L"\n\nThe graphical front-end of Echoprobe.\n\nwww.norvane.example\n";

namespace {

const wchar_t maker_site[] = L"http://www.norvane.example";

// The sub-second widths are bound as doubles; the whole seconds as ints, which
// become doubles only when the callback runs.
const struct {
    const wchar_t* caption;
    double seconds;
} fractional_avg_choices[] = {{L"No average", 0.0}, {L"100 msec", 0.1}, {L"300 msec", 0.3}};

const struct {
    const wchar_t* caption;
    int seconds;
} whole_avg_choices[] = {
    {L"1 sec", 1},    {L"3 secs", 3},    {L"10 secs", 10},  {L"1 min", 60},
    {L"5 mins", 300}, {L"15 mins", 900}, {L"1 hour", 3600}, {L"4 hours", 14400},
};

UINT checked_if(bool condition) {
    return condition ? MF_CHECKED : 0;
}

} // namespace

namespace menus {

int _context_menu::build(int) {
    fill();
    show(owner_.load());
    return 0;
}

void _context_menu::open_at(POINT top_left) {
    fill();
    show_at(owner_.load(), top_left);
}

void _context_menu::fill() {
    destroy_all();
    create_popup();
    append_submenu(time_scale_, L"Time Scale", 0);
    append_submenu(avg_scale_, L"Average Time", 0);
    append_submenu(clear_, L"Clear", 0);
    append_separator();
    append_item(0, L"Help page", &open_help_page);
    append_item(0, L"Contact us", &open_contact_page);
    append_item(0, L"About Echoview " ECHOVIEW_VERSION_WTEXT, &show_about);
}

int _time_scale_menu::build(int) {
    using boost::lambda::bind;
    for (const auto& choice : time_scale_choices) {
        append_item(checked_if(view.x_time == static_cast<std::uint32_t>(choice.seconds)), choice.caption,
                    bind(&_time_scale_menu::set_time_scale, this, choice.seconds));
    }
    return 0;
}

void _time_scale_menu::set_time_scale(int seconds) {
    view.x_time_changed = true;
    view.x_time = static_cast<std::uint32_t>(seconds);
}

int _avg_scale_menu::build(int) {
    using boost::lambda::bind;
    // The marks rest on exact equality: a width loaded as 100 / 1000.0 is the
    // same double as the constant 0.1 here.
    for (const auto& choice : fractional_avg_choices) {
        append_item(checked_if(view.avg_time == choice.seconds), choice.caption,
                    bind(&_avg_scale_menu::set_avg_time, this, choice.seconds));
    }
    for (const auto& choice : whole_avg_choices) {
        append_item(checked_if(view.avg_time == choice.seconds), choice.caption,
                    bind(&_avg_scale_menu::set_avg_time, this, choice.seconds));
    }
    append_item(checked_if(view.only_avg), L"Only average", bind(&_avg_scale_menu::toggle_only_avg, this));
    return 0;
}

void _avg_scale_menu::set_avg_time(double seconds) {
    view.avg_changed = true;
    view.avg_time = seconds;
    if (view.avg_time == 0.0) view.only_avg = false;
}

void _avg_scale_menu::toggle_only_avg() {
    view.only_avg = !view.only_avg;
    if (view.only_avg && view.avg_time == 0.0) {
        view.avg_changed = true;
        view.avg_time = 1.0;
    }
}

int _clear_menu::build(int) {
    append_item(0, L"Clear points outside graph", clear_outside);
    append_item(0, L"Clear whole graph", clear_all);
    return 0;
}

} // namespace menus

std::wstring help_page_address() {
    return std::wstring(maker_site) + L"/ping" + url_suffix;
}

std::wstring contact_page_address() {
    return std::wstring(maker_site) + L"/support" + url_suffix;
}

void open_help_page() {
    open_url(help_page_address());
}

void open_contact_page() {
    open_url(contact_page_address());
}

void show_about() {
    message_box(app_title, nullptr, about_text, MB_ICONINFORMATION, nullptr);
}
