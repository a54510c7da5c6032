#include "ui/rules/Layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

namespace {

using namespace ui::layout;

bool inside(const TwipsRect& inner, const TwipsRect& outer)
{
    return inner.left >= 0 && inner.top >= 0 && inner.left + inner.width <= outer.width &&
           inner.top + inner.height <= outer.height;
}

std::size_t codePoints(std::string_view utf8)
{
    return static_cast<std::size_t>(
        std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

TEST(Form1Layout, EveryControlHasItsOwnNameAndStandsInsideItsContainer)
{
    std::set<std::string_view> names;
    for (const Control& c : form1Controls()) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        EXPECT_EQ(&control(c.id), &c);
        if (c.container) {
            const Control& frame = control(*c.container);
            EXPECT_EQ(frame.kind, Kind::Frame) << c.name;
            // A frame precedes what it holds, so a view can make the container first.
            EXPECT_LT(static_cast<int>(frame.id), static_cast<int>(c.id)) << c.name;
            EXPECT_TRUE(inside(c.rect, frame.rect)) << c.name;
        } else if (c.id != Id::Label10) {
            EXPECT_TRUE(inside(c.rect, {0, 0, kForm1ClientWidth, kForm1ClientHeight})) << c.name;
        }
    }
    EXPECT_EQ(names.size(), 38u);
    // The contact note stands below the client area, so it cannot be seen at the window's size.
    EXPECT_GT(control(Id::Label10).rect.top, kForm1ClientHeight);
}

TEST(Form1Layout, FontsAndColoursAreThoseOfTheLayout)
{
    for (const Control& c : form1Controls()) {
        const bool box = c.kind == Kind::TextBox;
        if (!box) {
            EXPECT_EQ(c.points, 9) << c.name;
        }
        const bool black = c.kind == Kind::Frame || c.id == Id::Check1;
        if (black)
            EXPECT_EQ(c.colour, (Colour{0, 0, 0})) << c.name;
        else if (c.id == Id::Label10)
            EXPECT_EQ(c.colour, (Colour{0, 0, 255}));
        else
            EXPECT_FALSE(c.colour) << c.name;
    }
    // The end boxes are 10.5 points, the others 12.
    for (Id id : {Id::Text4, Id::Text6, Id::Text7, Id::Text12})
        EXPECT_EQ(control(id).points, 10.5) << control(id).name;
    for (Id id : {Id::Text1, Id::Text2, Id::Text3, Id::Text5, Id::Text8, Id::Text9, Id::Text10, Id::Text11})
        EXPECT_EQ(control(id).points, 12) << control(id).name;
    // The column group's boxes start with the rows' placeholders.
    EXPECT_EQ(control(Id::Text9).text, "Text1");
    EXPECT_EQ(control(Id::Text10).text, "Text3");
    EXPECT_EQ(control(Id::Text11).text, "Text2");
    EXPECT_EQ(control(Id::Frame2).text, "删除空行(某行1-20列为空则视为空行)");
    EXPECT_EQ(control(Id::Frame3).text, "选择空行(只选择不删除,判断原则同上)");
}

TEST(Form1Layout, TheFocusGoesRoundEveryControlThatTakesItOnce)
{
    const std::span<const Id> order = focusOrder();
    ASSERT_EQ(order.size(), 19u);
    EXPECT_EQ(order.front(), Id::Text4);
    std::set<Id> seen(order.begin(), order.end());
    EXPECT_EQ(seen.size(), order.size());
    for (const Control& c : form1Controls()) {
        const bool takesFocus = c.kind == Kind::TextBox || c.kind == Kind::Button || c.kind == Kind::CheckBox;
        EXPECT_EQ(seen.contains(c.id), takesFocus) << c.name;
    }
    // The turns that do not follow the reading order.
    const auto after = [&](Id id) {
        const auto it = std::find(order.begin(), order.end(), id);
        return it + 1 == order.end() ? order.front() : *(it + 1);
    };
    EXPECT_EQ(after(Id::Text1), Id::Text5);
    EXPECT_EQ(after(Id::Text8), Id::Check1);
    EXPECT_EQ(after(Id::Check1), Id::Text9);
    EXPECT_EQ(after(Id::Text12), Id::Command4);
    EXPECT_EQ(after(Id::Command6), Id::Text4);
}

TEST(Form1Layout, OnlyTheFirstEightBoxesSelectTheirTextOnFocus)
{
    for (const Control& c : form1Controls()) {
        const std::string name(c.name);
        const bool firstEight = c.kind == Kind::TextBox && name.size() == 5 && name[4] >= '1' && name[4] <= '8';
        EXPECT_EQ(selectsAllOnFocus(c.id), firstEight) << name;
    }
}

struct AtResolution {
    int dpi;
    PixelRect client;
    PixelRect frame1;
    PixelRect text2; // in Frame1
    PixelRect command6;
};

class TwipsToPixels : public testing::TestWithParam<AtResolution> {};

TEST_P(TwipsToPixels, RectanglesFollowTheLogicalResolution)
{
    const AtResolution& at = GetParam();
    EXPECT_EQ(pixels({0, 0, kForm1ClientWidth, kForm1ClientHeight}, at.dpi, at.dpi), at.client);
    EXPECT_EQ(pixels(control(Id::Frame1).rect, at.dpi, at.dpi), at.frame1);
    EXPECT_EQ(pixels(control(Id::Text2).rect, at.dpi, at.dpi), at.text2);
    EXPECT_EQ(pixels(control(Id::Command6).rect, at.dpi, at.dpi), at.command6);
}

INSTANTIATE_TEST_SUITE_P(
    Resolutions, TwipsToPixels,
    testing::Values(AtResolution{96, {0, 0, 248, 433}, {8, 8, 233, 105}, {40, 16, 57, 24}, {176, 400, 50, 25}},
                    AtResolution{144, {0, 0, 372, 650}, {12, 12, 350, 158}, {60, 24, 86, 36}, {264, 600, 75, 38}},
                    // 1.25: edges are rounded, so sizes differ by one where they meet.
                    AtResolution{120, {0, 0, 310, 541}, {10, 10, 291, 131}, {50, 20, 71, 30}, {220, 500, 63, 31}}));

TEST(TwipsToPixels, NeighboursStayFlushAtAnyResolution)
{
    for (int dpi : {96, 110, 120, 144, 168, 192}) {
        const PixelRect left = pixels({120, 120, 4620, 4965}, dpi, dpi);
        const PixelRect right = pixels({4740, 120, 4620, 4965}, dpi, dpi);
        EXPECT_EQ(left.left + left.width, right.left) << dpi;
    }
    EXPECT_EQ(fontPixels(9, 96), 12);
    EXPECT_EQ(fontPixels(10.5, 96), 14);
    EXPECT_EQ(fontPixels(12, 144), 24);
}

TEST(DonationLayout, CaptionKeepsItsBlanksAndThePicturesFillTheWindowWithEqualMargins)
{
    EXPECT_EQ(codePoints(kDonationCaption), 35u);
    EXPECT_NE(kDonationCaption.find(std::string(17, ' ') + "随喜  "), std::string_view::npos);
    EXPECT_TRUE(kDonationCaption.ends_with("随喜  "));
    const PixelRect left = pixels(kDonationPictures[0].rect, 96, 96);
    const PixelRect right = pixels(kDonationPictures[1].rect, 96, 96);
    EXPECT_EQ(left, (PixelRect{8, 8, 308, 331}));
    EXPECT_EQ(right, (PixelRect{324, 8, 308, 331}));
    EXPECT_EQ(pixels(kDonationClientWidth, 96) - (right.left + right.width), 8);
}

} // namespace
