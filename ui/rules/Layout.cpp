#include "ui/rules/Layout.h"

#include <cmath>

namespace ui::layout {

namespace {

constexpr Colour kBlack{0, 0, 0};
constexpr Colour kBlue{0, 0, 255};
constexpr double kBox12 = 12;
constexpr double kBox10 = 10.5;
constexpr double kDef = kDefaultPoints;

using enum Id;
using enum Kind;

constexpr std::array<Control, kControlCount> kControls = {{
    // Insert blank rows: every K rows insert N rows, from the start row to the end row.
    {Frame1, "Frame1", Frame, {}, "插入空行", {120, 120, 3495, 1575}, kDef, kBlack},
    {Label2, "Label2", Label, Frame1, "每隔", {120, 330, 360, 180}, kDef, {}},
    {Text2, "Text2", TextBox, Frame1, "Text2", {600, 240, 855, 360}, kBox12, {}},
    {Label3, "Label3", Label, Frame1, "行插入", {1560, 330, 540, 180}, kDef, {}},
    {Text3, "Text3", TextBox, Frame1, "Text3", {2160, 240, 855, 360}, kBox12, {}},
    {Label4, "Label4", Label, Frame1, "行", {3120, 330, 180, 180}, kDef, {}},
    {Label1, "Label1", Label, Frame1, "起始行号", {120, 787, 720, 180}, kDef, {}},
    {Text1, "Text1", TextBox, Frame1, "Text1", {960, 720, 1095, 315}, kBox12, {}},
    {Label6, "Label6", Label, Frame1, "终止行号", {120, 1147, 720, 180}, kDef, {}},
    {Text4, "Text4", TextBox, Frame1, "", {960, 1080, 1095, 315}, kBox10, {}},
    {Command1, "Command1", Button, Frame1, "插入空行", {2160, 840, 1215, 375}, kDef, {}},
    // Insert blank columns, built like the rows' group.
    {Frame4, "Frame4", Frame, {}, "插入空列", {120, 1800, 3495, 1575}, kDef, kBlack},
    {Label14, "Label14", Label, Frame4, "每隔", {120, 340, 360, 180}, kDef, {}},
    {Text11, "Text11", TextBox, Frame4, "Text2", {600, 250, 855, 360}, kBox12, {}},
    {Label12, "Label12", Label, Frame4, "列插入", {1560, 340, 540, 180}, kDef, {}},
    {Text10, "Text10", TextBox, Frame4, "Text3", {2160, 273, 855, 360}, kBox12, {}},
    {Label13, "Label13", Label, Frame4, "列", {3120, 340, 180, 180}, kDef, {}},
    {Label11, "Label11", Label, Frame4, "起始列号", {120, 787, 720, 180}, kDef, {}},
    {Text9, "Text9", TextBox, Frame4, "Text1", {960, 720, 1095, 315}, kBox12, {}},
    {Label15, "Label15", Label, Frame4, "终止列号", {120, 1147, 720, 180}, kDef, {}},
    {Text12, "Text12", TextBox, Frame4, "", {960, 1080, 1095, 315}, kBox10, {}},
    {Command4, "Command4", Button, Frame4, "插入空列", {2160, 840, 1215, 375}, kDef, {}},
    // Delete blank rows.
    {Frame2, "Frame2", Frame, {}, "删除空行(某行1-20列为空则视为空行)", {120, 3480, 3495, 1215}, kDef, kBlack},
    {Label5, "Label5", Label, Frame2, "起始行号", {120, 360, 720, 180}, kDef, {}},
    {Text5, "Text5", TextBox, Frame2, "", {960, 270, 1095, 360}, kBox12, {}},
    {Label7, "Label7", Label, Frame2, "终止行号", {120, 787, 720, 180}, kDef, {}},
    {Text6, "Text6", TextBox, Frame2, "", {960, 720, 1095, 315}, kBox10, {}},
    {Command2, "Command2", Button, Frame2, "删除空行", {2160, 440, 1215, 375}, kDef, {}},
    // Select blank rows: here the upper box is Text8, the lower Text7.
    {Frame3, "Frame3", Frame, {}, "选择空行(只选择不删除,判断原则同上)", {120, 4800, 3495, 1095}, kDef, kBlack},
    {Label9, "Label9", Label, Frame3, "起始行号", {120, 345, 720, 180}, kDef, {}},
    {Text8, "Text8", TextBox, Frame3, "", {960, 255, 1095, 360}, kBox12, {}},
    {Label8, "Label8", Label, Frame3, "终止行号", {120, 727, 720, 180}, kDef, {}},
    {Text7, "Text7", TextBox, Frame3, "", {960, 660, 1095, 315}, kBox10, {}},
    {Command3, "Command3", Button, Frame3, "选择空行", {2160, 420, 1215, 375}, kDef, {}},
    // The bottom row. Label10 stands below the client area: not visible at the window's fixed size.
    {Check1, "Check1", CheckBox, {}, "窗口前置", {360, 6060, 1095, 255}, kDef, kBlack},
    {Command5, "Command5", Button, {}, "捐助", {1680, 6000, 750, 375}, kDef, {}},
    {Command6, "Command6", Button, {}, "退出", {2640, 6000, 750, 375}, kDef, {}},
    {Label10, "Label10", Label, {}, "Tessavo · 2026年12月 · 欢迎来信反馈", {1800, 6960, 1620, 180}, kDef, kBlue},
}};

constexpr bool tableFollowsIds()
{
    for (int i = 0; i < kControlCount; ++i)
        if (static_cast<int>(kControls[static_cast<std::size_t>(i)].id) != i)
            return false;
    return true;
}
static_assert(tableFollowsIds(), "the table of controls lists them in the order of their ids");

constexpr std::array<Id, 19> kFocusOrder = {Text4,    Text2,    Text3,    Text1,    Text5,   Text6,  Text7,
                                            Text8,    Check1,   Text9,    Text10,   Text11,  Text12, Command4,
                                            Command1, Command2, Command3, Command5, Command6};

} // namespace

std::span<const Control, kControlCount> form1Controls()
{
    return kControls;
}

const Control& control(Id id)
{
    return kControls[static_cast<std::size_t>(id)];
}

std::span<const Id> focusOrder()
{
    return kFocusOrder;
}

bool selectsAllOnFocus(Id id)
{
    switch (id) {
    case Text1:
    case Text2:
    case Text3:
    case Text4:
    case Text5:
    case Text6:
    case Text7:
    case Text8:
        return true;
    default:
        return false;
    }
}

int pixels(int twips, int dotsPerInch)
{
    return static_cast<int>(std::lround(static_cast<double>(twips) * dotsPerInch / 1440.0));
}

PixelRect pixels(const TwipsRect& rect, int dotsPerInchX, int dotsPerInchY)
{
    const int left = pixels(rect.left, dotsPerInchX);
    const int top = pixels(rect.top, dotsPerInchY);
    return {left, top, pixels(rect.left + rect.width, dotsPerInchX) - left,
            pixels(rect.top + rect.height, dotsPerInchY) - top};
}

int fontPixels(double points, int dotsPerInch)
{
    return static_cast<int>(std::lround(points * dotsPerInch / 72.0));
}

} // namespace ui::layout
