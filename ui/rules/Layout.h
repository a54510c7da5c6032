#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

// The two windows as data: every control's name, kind, container, text, place in twips, font and colour, and the
// main window's focus order. Each toolkit's view builds its controls from these tables and nothing else.
namespace ui::layout {

enum class Kind { Frame, Label, TextBox, Button, CheckBox, Picture };

/// A rectangle in twips (1440 to the inch), from the top-left corner of its container.
struct TwipsRect {
    int left;
    int top;
    int width;
    int height;
};

struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    bool operator==(const Colour&) const = default;
};

/// The main window's controls; the enumerators follow the table of controls() one to one.
enum class Id : int {
    Frame1,
    Label2,
    Text2,
    Label3,
    Text3,
    Label4,
    Label1,
    Text1,
    Label6,
    Text4,
    Command1,
    Frame4,
    Label14,
    Text11,
    Label12,
    Text10,
    Label13,
    Label11,
    Text9,
    Label15,
    Text12,
    Command4,
    Frame2,
    Label5,
    Text5,
    Label7,
    Text6,
    Command2,
    Frame3,
    Label9,
    Text8,
    Label8,
    Text7,
    Command3,
    Check1,
    Command5,
    Command6,
    Label10,
};
inline constexpr int kControlCount = 38;

/// One control. `container` is the frame the control stands in, or empty for the window's client area.
struct Control {
    Id id;
    std::string_view name;
    Kind kind;
    std::optional<Id> container;
    std::string_view text; // caption, or a text box's initial text
    TwipsRect rect;
    double points;                // font size; the face is kFontFace
    std::optional<Colour> colour; // text colour; none for the system's
};

/// Every font of the windows is this face, regular weight, in this character set (GB2312).
inline constexpr std::string_view kFontFace = "宋体";
inline constexpr int kFontCharset = 134;
inline constexpr double kDefaultPoints = 9;

inline constexpr std::string_view kForm1Name = "Form1";
inline constexpr int kForm1ClientWidth = 3720;
inline constexpr int kForm1ClientHeight = 6495;

/// The 38 controls of the main window in reading order, frames before what they contain.
std::span<const Control, kControlCount> form1Controls();
const Control& control(Id id);
/// The 19 controls that take the focus, in Tab order; Shift+Tab goes back. The first has the focus at start.
std::span<const Id> focusOrder();
/// The text boxes whose whole text is selected whenever they gain the focus: Text1 to Text8.
bool selectsAllOnFocus(Id id);

inline constexpr std::string_view kDonationName = "捐助";
/// The motto, 17 blanks, 随喜, 2 blanks.
inline constexpr std::string_view kDonationCaption = "若工作无高效,则生活不自由.                 随喜  ";
inline constexpr int kDonationClientWidth = 9600;
inline constexpr int kDonationClientHeight = 5190;

/// A picture of the donation window, stretched to fill its box in width and height independently.
struct Picture {
    std::string_view name;
    TwipsRect rect;
};
inline constexpr std::array<Picture, 2> kDonationPictures = {{
    {"Image1", {120, 120, 4620, 4965}},
    {"Image2", {4860, 120, 4620, 4965}},
}};

/// A rectangle in pixels.
struct PixelRect {
    int left;
    int top;
    int width;
    int height;
    bool operator==(const PixelRect&) const = default;
};

/// Twips to pixels at `dotsPerInch` logical pixels to the inch: 15 twips to the pixel at 96. Edges are rounded,
/// not sizes, so neighbouring controls stay flush at any scaling.
int pixels(int twips, int dotsPerInch);
PixelRect pixels(const TwipsRect& rect, int dotsPerInchX, int dotsPerInchY);

/// A font's size in pixels (its character height) at `dotsPerInch`, as a window system asks for it.
int fontPixels(double points, int dotsPerInch);

} // namespace ui::layout
