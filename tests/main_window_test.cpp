// The main window as the user first meets it: header, layout, keyboard, menu and closing.

#include "session.h"

#include "ui/system.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

using namespace test;
using ui::testing::Key;

namespace {

const std::string kHeaderBefore = "Marlinth,你最理想的选择，你的木马数据库最新版本为：";
const std::string kHeaderAfter = "!恭喜，你已经升级到最新版";

TEST(Header, BothLabelsNameTheStartUpDate) {
    Session session([] { return ui::Date{2026, 12, 7}; });
    const std::string expected = kHeaderBefore + ui::shortDateText({2026, 12, 7}) + kHeaderAfter;
    EXPECT_EQ(session.form.Label1.text(), expected);
    EXPECT_EQ(session.form.Label2.text(), expected);
    EXPECT_EQ(session.form.Label3.text(), kIdle);
}

TEST(Header, KeepsTheStartUpDateAfterMidnight) {
    ui::Date date{2026, 12, 31};
    int asked = 0;
    Session session([&] {
        ++asked;
        return date;
    });
    date = {2027, 1, 1};
    ui::testing::click(session.form.Command1); // a run, with its repaints, past midnight
    ui::testing::grab(session.form.window);

    EXPECT_EQ(asked, 1);
    EXPECT_THAT(session.form.Label1.text(), testing::HasSubstr(ui::shortDateText({2026, 12, 31})));
    EXPECT_EQ(session.form.Label2.text(), session.form.Label1.text());
}

// SimSun where it is installed, else a Simplified Chinese face: never Japanese glyph forms,
// whatever the locale.
TEST(Header, IsSetInASimplifiedChineseFace) {
    Session session;
    EXPECT_THAT(ui::testing::fontFamily(session.form.Label1),
                testing::AnyOf("SimSun", "Marlinth Serif", "NSimSun", "Noto Serif CJK SC",
                               "AR PL UMing CN", "Noto Sans CJK SC", "WenQuanYi Zen Hei"));
    EXPECT_EQ(ui::testing::fontFamily(session.form.Label2),
              ui::testing::fontFamily(session.form.Label1));
}

TEST(Header, FitsInsideItsLabels) {
    Session session;
    const int height = ui::testing::pixelRect(session.form.Label1).height;
    EXPECT_GT(ui::testing::textHeight(session.form.Label1), 19); // it does wrap
    EXPECT_LE(ui::testing::textHeight(session.form.Label1), height);
    EXPECT_LE(ui::testing::textHeight(session.form.Label2), height);
}

// The sizable border makes the window smaller than it opens too; the controls then keep their
// places, cut off at its edge.
TEST(Window, ResizesBelowItsOpeningSize) {
    Session session;
    ui::testing::resize(session.form.window, {200, 150});
    EXPECT_EQ(ui::testing::clientSize(session.form.window).width, 200);
    EXPECT_EQ(ui::testing::clientSize(session.form.window).height, 150);
}

struct Placement {
    const char* name;
    ui::Control& (*control)(Form1&);
    ui::Rect pixels;
};

void PrintTo(const Placement& value, std::ostream* out) {
    *out << value.name;
}

class Layout : public testing::TestWithParam<Placement> {};

TEST_P(Layout, ControlSitsAtItsPlaceWhateverTheWindowSize) {
    Session session;
    const ui::Control& control = GetParam().control(session.form);
    const ui::Rect expected = GetParam().pixels;
    for (const ui::Size size : {ui::Size{334, 332}, ui::Size{520, 480}, ui::Size{200, 150}}) {
        ui::testing::resize(session.form.window, size);
        const ui::Rect actual = ui::testing::pixelRect(control);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.width, expected.width);
        EXPECT_EQ(actual.height, expected.height);
    }
}

#define PLACE(name, x, y, w, h)                                                                    \
    Placement {                                                                                    \
#name, [](Form1 & form) -> ui::Control& { return form.name; }, {                           \
            x, y, w, h                                                                             \
        }                                                                                          \
    }
INSTANTIATE_TEST_SUITE_P(
    Form1, Layout,
    testing::Values(PLACE(Command1, 8, 8, 89, 33), PLACE(Command2, 112, 8, 97, 33),
                    PLACE(Command3, 224, 8, 97, 33), PLACE(Label1, 32, 64, 265, 81),
                    PLACE(Label2, 33, 64, 265, 81), PLACE(Frame1, 8, 152, 305, 137),
                    PLACE(Label3, 24, 192, 265, 17), PLACE(HS, 16, 240, 289, 25)),
    [](const auto& info) { return std::string(info.param.name); });
#undef PLACE

TEST(Window, ClientAreaBelowTheMenuBarIs334By332) {
    Session session;
    const ui::Size size = ui::testing::clientSize(session.form.window);
    EXPECT_EQ(size.width, 334);
    EXPECT_EQ(size.height, 332);
}

// The layout in logical pixels, whatever the DPI it is drawn at: every control in its place, the
// header's font at the DPI's size.
void expectLayoutInLogicalPixels(Form1& form) {
    const ui::Size size = ui::testing::clientSize(form.window);
    EXPECT_EQ(size.width, 334);
    EXPECT_EQ(size.height, 332);
    const std::vector<std::pair<ui::Control*, ui::Rect>> placements = {
        {&form.Command1, {8, 8, 89, 33}},
        {&form.Frame1, {8, 152, 305, 137}},
        {&form.Label3, {24, 192, 265, 17}},
        {&form.HS, {16, 240, 289, 25}}};
    for (const auto& [control, expected] : placements) {
        const ui::Rect actual = ui::testing::pixelRect(*control);
        EXPECT_EQ(actual.left, expected.left);
        EXPECT_EQ(actual.top, expected.top);
        EXPECT_EQ(actual.width, expected.width);
        EXPECT_EQ(actual.height, expected.height);
    }
    EXPECT_GT(ui::testing::textHeight(form.Label1), 19);
    EXPECT_LE(ui::testing::textHeight(form.Label1), ui::testing::pixelRect(form.Label1).height);
}

// Dragged to screens of 125 % to 200 %, the window places every control again.
TEST(Window, KeepsItsLayoutOnAScreenOfAnotherDpi) {
    Session session;
    for (const int dpi : {120, 144, 168, 192}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        if (!ui::testing::moveToScreenOfDpi(session.form.window, dpi))
            GTEST_SKIP() << "the windowing system scales this back end's windows itself";
        EXPECT_EQ(ui::testing::dpiOf(session.form.window), dpi);
        expectLayoutInLogicalPixels(session.form);
    }
}

// A system older than DPI per screen: the window takes the system's one DPI.
TEST(Window, KeepsItsLayoutAtTheOneDpiOfAnOlderSystem) {
    struct BackToTheSystemsDpi {
        ~BackToTheSystemsDpi() { ui::testing::useSystemDpiOnly(0); }
    } restore;
    for (const int dpi : {96, 120, 144}) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        if (!ui::testing::useSystemDpiOnly(dpi))
            GTEST_SKIP() << "this back end has no such system";
        Session session;
        EXPECT_EQ(ui::testing::dpiOf(session.form.window), dpi);
        expectLayoutInLogicalPixels(session.form);
    }
}

bool isColor(ui::Rgb pixel, ui::Rgb color) {
    return pixel == color;
}

// Text edges are smoothed, so the navy lettering counts by its dark blue pixels.
bool isNavy(ui::Rgb pixel, ui::Rgb) {
    return pixel.red < 64 && pixel.green < 64 && pixel.blue < 128 && pixel.blue >= pixel.red;
}

int countInRect(const ui::testing::Image& image, ui::Rect rect, ui::Rgb color,
                bool (*matches)(ui::Rgb, ui::Rgb) = isColor) {
    int count = 0;
    for (int y = rect.top; y < rect.top + rect.height; ++y)
        for (int x = rect.left; x < rect.left + rect.width; ++x)
            count += matches(image.at(x, y), color);
    return count;
}

TEST(Window, DrawsTheTwoColourHeaderAndTheDoubleLine) {
    Session session;
    const ui::testing::Image image = ui::testing::grab(session.form.window);
    const ui::Rect header{32, 64, 266, 81};
    const ui::Rgb navy{0, 0, 64};
    const ui::Rgb magenta{255, 128, 255};
    // Magenta shows only if the transparent label lies over the opaque one; navy only where the
    // one-pixel offset uncovers it.
    EXPECT_GT(countInRect(image, header, magenta), 200);
    EXPECT_GT(countInRect(image, header, navy, isNavy), 50);
    // The fourth line of the header is drawn too.
    EXPECT_GT(countInRect(image, {32, 64 + 57, 266, 19}, magenta), 0);

    const ui::Rgb light = ui::testing::systemColor(ui::SystemColor::CaptionText);
    const ui::Rgb dark = ui::testing::systemColor(ui::SystemColor::WindowText);
    EXPECT_EQ(countInRect(image, {8, 47, 304, 1}, light), 304);
    EXPECT_EQ(countInRect(image, {8, 48, 304, 1}, dark), 304);
    EXPECT_FALSE(isColor(image.at(7, 47), light));
    EXPECT_FALSE(isColor(image.at(312, 48), dark));
}

// A switch of the desktop's colour scheme while the program runs reaches the status line.
TEST(Window, StatusLineFollowsTheDesktopsTextColour) {
    Session session;
    const ui::Rgb green{0, 160, 0};
    ASSERT_TRUE(ui::testing::setSystemTextColor(green));
    const ui::testing::Image image = ui::testing::grab(session.form.window);
    ui::testing::setSystemTextColor(std::nullopt);
    EXPECT_GT(countInRect(image, {24, 192, 265, 17}, green), 10);
}

// A change of the environment or a policy, which the system broadcasts as a change of settings,
// leaves the window as it is; a change of the message font draws it again.
TEST(Window, IsDrawnAgainOnlyForSettingsThatChangeItsLook) {
    Session session;
    const std::optional<bool> environment =
        ui::testing::redrawnOnSettingChange(session.form.window, false);
    if (!environment)
        GTEST_SKIP() << "this back end is told of no such changes";
    EXPECT_FALSE(*environment);
    EXPECT_EQ(ui::testing::redrawnOnSettingChange(session.form.window, true), true);
}

// Under high contrast the header is drawn once, in the scheme's colours: its two copies one
// pixel apart would smear into each other in one colour. So it takes about as many pixels of ink
// as the top copy alone does in colour, well short of the two copies' together.
TEST(Window, HighContrastDrawsTheHeaderOnceInTheSchemesColours) {
    Session session;
    const ui::Rect header{32, 64, 266, 81};
    const ui::testing::Image colour = ui::testing::grab(session.form.window);
    if (!ui::testing::setHighContrast(true))
        GTEST_SKIP() << "this back end cannot be switched to high contrast";
    const ui::testing::Image contrast = ui::testing::grab(session.form.window);
    ui::testing::setHighContrast(false);
    const auto isInk = [](ui::Rgb pixel, ui::Rgb) {
        return pixel.red + pixel.green + pixel.blue < 200;
    };
    const int top = countInRect(colour, header, {255, 128, 255});
    const int under = countInRect(colour, header, {0, 0, 64}, isNavy);
    const int ink = countInRect(contrast, header, {}, isInk);
    EXPECT_EQ(countInRect(contrast, header, {255, 128, 255}), 0);
    EXPECT_EQ(countInRect(contrast, header, {0, 0, 64}), 0);
    EXPECT_GT(ink, top * 9 / 10);
    EXPECT_LT(ink, top + under / 2);
}

// The device rows of the logical pixel row from `top` on that hold the colour across the
// logical columns.
std::vector<int> rowsAcross(const ui::testing::Image& image, double scale, double top, int left,
                            int right, ui::Rgb color) {
    std::vector<int> rows;
    for (int y = int(top * scale); y < int(std::ceil((top + 1) * scale)); ++y) {
        bool whole = true;
        for (int x = int(std::ceil(left * scale)); x < int(right * scale) && whole; ++x)
            whole = isColor(image.at(x, y), color);
        if (whole)
            rows.push_back(y);
    }
    return rows;
}

// On a scaled screen each line of the double line still spans its length, at least one device
// pixel high, the light one right above the dark one, as at 100 %. The
// toolkit's scale comes from the test's environment; a back end that does not scale by itself is
// moved to screens of each DPI.
TEST(Scaled, DoubleLineIsWholeAtEveryScale) {
    Session session;
    Form1& form = session.form;
    std::vector<int> dpis = {ui::testing::dpiOf(form.window)};
    if (ui::testing::moveToScreenOfDpi(form.window, 96))
        dpis = {120, 144, 168, 192};
    const ui::Rgb light = ui::testing::systemColor(ui::SystemColor::CaptionText);
    const ui::Rgb dark = ui::testing::systemColor(ui::SystemColor::WindowText);
    for (const int dpi : dpis) {
        SCOPED_TRACE(testing::Message() << dpi << " DPI");
        ui::testing::moveToScreenOfDpi(form.window, dpi);
        const double scale = ui::testing::dpiOf(form.window) / 96.0;
        const ui::testing::Image image = ui::testing::grab(form.window);
        // At 700 and 720 twips, 15 to a logical pixel.
        const std::vector<int> lightRows = rowsAcross(image, scale, 700 / 15.0, 8, 312, light);
        const std::vector<int> darkRows = rowsAcross(image, scale, 720 / 15.0, 8, 312, dark);
        ASSERT_FALSE(lightRows.empty());
        ASSERT_FALSE(darkRows.empty());
        EXPECT_EQ(lightRows.back() + 1, darkRows.front());
    }
}

// A screen reader finds the header once, with its date, no lines, and the status line as one,
// hearing of each of its changes during a run.
TEST(ScreenReader, FindsTheHeaderOnceAndFollowsTheStatusLine) {
    Session session([] { return ui::Date{2026, 12, 7}; });
    Form1& form = session.form;
    using ui::testing::accessibleInfo;
    using ui::testing::AccessibleRole;
    const ui::testing::AccessibleInfo header = accessibleInfo(form.Label2);
    EXPECT_EQ(header.role, AccessibleRole::StaticText);
    EXPECT_EQ(header.name, kHeaderBefore + ui::shortDateText({2026, 12, 7}) + kHeaderAfter);
    EXPECT_EQ(header.text, header.name);
    EXPECT_FALSE(header.hidden);
    EXPECT_TRUE(accessibleInfo(form.Label1).hidden);
    EXPECT_TRUE(accessibleInfo(form.Line1).hidden);
    EXPECT_TRUE(accessibleInfo(form.Line2).hidden);

    const auto expectStatus = [&form](const std::string& text) {
        const ui::testing::AccessibleInfo status = accessibleInfo(form.Label3);
        EXPECT_EQ(status.role, AccessibleRole::StatusLine);
        EXPECT_EQ(status.name, text);
        EXPECT_EQ(status.text, text);
        EXPECT_FALSE(status.hidden);
    };
    expectStatus(kIdle);
    const std::optional<int> changes = ui::testing::accessibleNameChanges(form.Label3);
    const auto expectChanges = [&form, &changes](int more) {
        if (changes) {
            EXPECT_EQ(ui::testing::accessibleNameChanges(form.Label3), *changes + more);
        }
    };
    session.at(500, [&] {
        expectStatus(kMemoryText);
        expectChanges(1);
    });
    ui::testing::click(form.Command1);
    expectStatus(kIdle);
    expectChanges(2);
}

TEST(Keyboard, FocusStartsOnTheBarAndTabCyclesThroughTheButtons) {
    Session session;
    Form1& form = session.form;
    EXPECT_EQ(ui::testing::focusedControl(form.window), &form.HS);
    for (ui::Control* next :
         {static_cast<ui::Control*>(&form.Command1), static_cast<ui::Control*>(&form.Command2),
          static_cast<ui::Control*>(&form.Command3), static_cast<ui::Control*>(&form.HS)}) {
        ui::testing::pressKey(form.window, Key::Tab);
        EXPECT_EQ(ui::testing::focusedControl(form.window), next);
    }
}

TEST(Keyboard, BarMovesAsAWindowsScrollBarWithinItsRange) {
    Session session;
    Form1& form = session.form;
    const std::vector<std::pair<Key, int>> moves = {
        {Key::Right, 1},  {Key::Down, 2}, {Key::PageDown, 3}, {Key::Left, 2},      {Key::Up, 1},
        {Key::PageUp, 0}, {Key::Left, 0}, {Key::End, 32767},  {Key::Right, 32767}, {Key::Home, 0}};
    for (const auto& [key, value] : moves) {
        ui::testing::pressKey(form.window, key);
        EXPECT_EQ(form.HS.value(), value);
    }
    EXPECT_EQ(form.Label3.text(), kIdle);
    EXPECT_TRUE(session.pauses.empty());

    ui::testing::click(form.Command1);
    form.HS.setFocus();
    ui::testing::pressKey(form.window, Key::End);
    EXPECT_EQ(form.HS.value(), 1000);
}

TEST(Keyboard, EnterOrSpacePressesTheFocusedButtonOnly) {
    Session session;
    Form1& form = session.form;
    ui::testing::pressKey(form.window, Key::Enter); // the bar has the focus: nothing is default
    EXPECT_TRUE(session.pauses.empty());

    ui::testing::pressKey(form.window, Key::Tab);
    ui::testing::pressKey(form.window, Key::Tab);
    ui::testing::pressKey(form.window, Key::Enter);
    EXPECT_EQ(pauseRuns(session.pauses), "1001x100");

    ui::testing::pressKey(form.window, Key::Space);
    EXPECT_EQ(pauseRuns(session.pauses), "2002x100");
    EXPECT_EQ(session.reports.size(), 2u);
}

TEST(Menu, AccessKeyOpensItAndItsItemsDoNothing) {
    Session session;
    Form1& form = session.form;
    for (ui::MenuItem* item : {&form.b7, &form.b8, &form.b9}) {
        ui::testing::pressAccessKey(form.window, 'C');
        ASSERT_TRUE(ui::testing::isMenuOpen(form.b1));
        for (int presses = 0; presses < 3 && !ui::testing::isHighlighted(*item); ++presses)
            ui::testing::pressKey(form.window, Key::Down);
        ASSERT_TRUE(ui::testing::isHighlighted(*item));
        ui::testing::pressKey(form.window, Key::Enter);
        EXPECT_FALSE(ui::testing::isMenuOpen(form.b1));
    }
    EXPECT_TRUE(session.pauses.empty());
    EXPECT_TRUE(session.reports.empty());
    EXPECT_EQ(form.Label3.text(), kIdle);
}

#ifndef _WIN32
// However narrow the window, its one menu keeps its title in the bar, where a click opens it: the
// bar never folds it into an overflow button.
TEST(Menu, ItsTitleStaysInTheBarOfAVeryNarrowWindow) {
    Session session;
    ui::testing::resize(session.form.window, {50, 40});
    ASSERT_TRUE(ui::testing::clickMenuTitle(session.form.b1)) << "the bar does not show the menu";
    EXPECT_TRUE(ui::testing::isMenuOpen(session.form.b1));
    ui::testing::pressKey(session.form.window, Key::Escape);
    EXPECT_FALSE(ui::testing::isMenuOpen(session.form.b1));
}
#endif

TEST(Closing, CloseBoxEndsTheProgramWithStatusZero) {
    EXPECT_EXIT(
        {
            Session session;
            ui::testing::clickCloseBox(session.form.window);
            std::_Exit(3);
        },
        testing::ExitedWithCode(0), "");
}

} // namespace
