// The graph's drawing resources: creation, colours and the label font's fallback family.
#include "tests/app/render/render_scene_win.h"

namespace {

Gdiplus::ARGB pen_color(gdip_pen& pen) {
    Gdiplus::ARGB color = 0;
    Gdiplus::DllExports::GdipGetPenColor(pen.get(), &color);
    return color;
}

float pen_width(gdip_pen& pen) {
    float width = 0.0f;
    Gdiplus::DllExports::GdipGetPenWidth(pen.get(), &width);
    return width;
}

TEST(graph_resources, all_created_with_their_values) {
    graph_view view;
    graph_resources& res = view.resources;
    ASSERT_TRUE(res.avg_pen && res.grid_pen && res.axis_pen);
    ASSERT_TRUE(res.label_font && res.label_format && res.label_brush);
    EXPECT_EQ(view.background_color, 0xFFFFFFFFu);
    EXPECT_EQ(pen_color(res.avg_pen), 0xFF0022CCu);
    EXPECT_EQ(pen_color(res.grid_pen), 0xFFE0E0E0u);
    EXPECT_EQ(pen_color(res.axis_pen), 0xFF000000u);
    EXPECT_EQ(pen_width(res.axis_pen), 1.0f);

    Gdiplus::ARGB brush = 0;
    Gdiplus::DllExports::GdipGetSolidFillColor(res.label_brush.get(), &brush);
    EXPECT_EQ(brush, 0xFF000000u);

    float size = 0.0f;
    Gdiplus::Unit unit = Gdiplus::UnitWorld;
    INT style = -1;
    Gdiplus::DllExports::GdipGetFontSize(res.label_font.get(), &size);
    Gdiplus::DllExports::GdipGetFontUnit(res.label_font.get(), &unit);
    Gdiplus::DllExports::GdipGetFontStyle(res.label_font.get(), &style);
    EXPECT_EQ(size, 12.0f);
    EXPECT_EQ(unit, Gdiplus::UnitPixel);
    EXPECT_EQ(style, Gdiplus::FontStyleRegular);

    Gdiplus::StringAlignment align = Gdiplus::StringAlignmentFar;
    INT flags = -1;
    Gdiplus::DllExports::GdipGetStringFormatAlign(res.label_format.get(), &align);
    Gdiplus::DllExports::GdipGetStringFormatFlags(res.label_format.get(), &flags);
    EXPECT_EQ(align, Gdiplus::StringAlignmentNear);
    EXPECT_EQ(flags, 0);

    for (gdip_pen* pen : {&res.avg_pen, &res.grid_pen, &res.axis_pen})
        EXPECT_EQ(pen->last_status(), Gdiplus::Ok);
    EXPECT_EQ(res.label_font.last_status(), Gdiplus::Ok);
}

TEST(graph_resources, arial_resolves_in_the_test_prefix) {
    // The test Wine prefix maps "Arial" to Liberation Sans, which keeps label sizes stable.
    graph_resources res;
    EXPECT_EQ(res.label_font.family_name(), L"Liberation Sans");
}

TEST(graph_resources, a_missing_family_falls_back_to_generic_sans_serif) {
    gdip_font_family missing(L"Echoview No Such Family");
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.last_status(), Gdiplus::FontFamilyNotFound);

    graph_resources res(L"Echoview No Such Family");
    gdip_font_family generic = gdip_font_family::generic_sans_serif();
    if (generic) {
        ASSERT_TRUE(res.label_font);
        EXPECT_EQ(res.label_font.family_name(), generic.name());
    } else {
        // No generic family either (a bare Wine prefix): the font is absent and
        // drawing with it does nothing.
        EXPECT_FALSE(res.label_font);
    }
    EXPECT_TRUE(res.axis_pen && res.label_format && res.label_brush);
}

TEST(graph_resources, drawing_without_a_font_still_draws_the_grid) {
    render_scene scene(200, 120);
    scene.view.resources.label_font.reset();
    scene.set_values(0.0, 100.0);
    scene.set_times(1000.0, 180);
    scene.draw();
    // No label is measured: plot_width = 180, axis_x = 190.
    EXPECT_DOUBLE_EQ(scene.store.x_scale, 1.0);
    EXPECT_EQ(scene.at(189, 60), grid_argb);
    EXPECT_EQ(scene.at(190, 30), axis_argb);
    for (int y = 0; y < 120; ++y)
        for (int x = 191; x < 200; ++x) ASSERT_EQ(scene.at(x, y), white);
}

TEST(gdip_owner, remembers_the_last_failure_and_moves) {
    gdip_bitmap none(0, 10, PixelFormat24bppRGB);
    EXPECT_FALSE(none);
    EXPECT_EQ(none.last_status(), Gdiplus::InvalidParameter);
    EXPECT_EQ(none.set_pixel(0, 0, white), Gdiplus::InvalidParameter);

    gdip_bitmap bitmap(4, 4, PixelFormat24bppRGB);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap.last_status(), Gdiplus::Ok);
    EXPECT_NE(bitmap.set_pixel(4, 0, white), Gdiplus::Ok);
    const Gdiplus::Status failed = bitmap.last_status();
    EXPECT_NE(failed, Gdiplus::Ok);
    EXPECT_EQ(bitmap.set_pixel(0, 0, white), Gdiplus::Ok);
    EXPECT_EQ(bitmap.last_status(), failed); // an Ok call does not clear it

    gdip_bitmap moved(std::move(bitmap));
    EXPECT_FALSE(bitmap);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved.pixel(0, 0), white);
    moved = gdip_bitmap(2, 2, PixelFormat24bppRGB);
    EXPECT_EQ(moved.width(), 2);
}

} // namespace
