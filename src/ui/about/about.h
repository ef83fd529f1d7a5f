#pragma once
// frmAbout without a window: its texts, the mail link, the design of the About
// tab and the tab layout in twips, and the rule that colours the mail link as the
// mouse moves. The Windows layer builds the box from these and decides nothing.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/geometry.h"
#include "base/version.h"

namespace tarvex::about {

// The add-in's four-part version. The box shows major.minor.revision: the third
// part, the build, never appears (1.1.0.26 is "Version 1.1.26").
struct Version {
    int major = 0;
    int minor = 0;
    int build = 0;
    int revision = 0;
};
// The project's version, as the DLL's VERSIONINFO block carries it too; a Wine
// suite compares the two.
inline constexpr Version product_version{TARVEX_VERSION_MAJOR, TARVEX_VERSION_MINOR, TARVEX_VERSION_BUILD,
                                         TARVEX_VERSION_REVISION};

inline constexpr std::u16string_view caption = u"About";
inline constexpr std::u16string_view title = u"Tarvex";
inline constexpr std::u16string_view send_email_to = u"Send Email To :";
// Who answers the mail link, and where it goes.
inline constexpr std::u16string_view support_contact = u"Marit Ellerby";
inline constexpr std::u16string_view support_address = u"support@pellwick.example";

// "Version 1.1.26": plain decimal numbers, no leading zeros.
std::u16string version_line(const Version& version);
// The four lines of lblDescription, each followed by CR LF.
std::u16string description_text();
// "mailto:<address>?subject=Tarvex%20Version%201.1.26".
std::u16string mail_url(const Version& version);
// RFC 3986 percent-encoding as RFC 6068 asks of a mailto header value: the text
// is taken as UTF-8 and every byte other than an unreserved character
// (letters, digits, "-", ".", "_", "~") becomes "%XX" with upper-case hex. A lone
// surrogate has no UTF-8 form and is sent as U+FFFD.
std::u16string percent_encode(std::u16string_view text);

// The tab strip's tabs, in order. The tab layout identifies the selected tab by
// its caption, as the box always has.
enum class Tab { about, licence, credits };
inline constexpr std::array<std::u16string_view, 3> tab_captions = {u"About", u"Licence", u"Credits"};
// Frame captions, by tab; "License" is spelled differently from the tab.
inline constexpr std::array<std::u16string_view, 3> frame_captions = {u"About Tarvex", u"License", u"Credits"};
std::optional<Tab> tab_from_caption(std::u16string_view caption);

struct TwipSize {
    float width = 0;
    float height = 0;
    friend bool operator==(const TwipSize&, const TwipSize&) = default;
};
struct TwipPoint {
    float left = 0;
    float top = 0;
    friend bool operator==(const TwipPoint&, const TwipPoint&) = default;
};

// What the tab layout does for the selected tab's caption: the window's new outer
// size, the one frame to show, and where its rich-text box goes within it. An
// unknown caption shows no frame and leaves the size alone.
struct TabLayout {
    std::optional<Tab> shown;
    std::optional<TwipSize> outer_size;
    std::optional<Geometry> rich_text_box;
};
TabLayout tab_layout(std::u16string_view selected_caption);

inline constexpr TwipSize about_outer_size{6100, 4500};
inline constexpr TwipSize document_outer_size{12800, 10000};
inline constexpr Geometry rich_text_geometry{45, 180, 12500, 8500};

// Where the window goes to stand in the middle of the screen, relative to the
// screen's top left corner. A window larger than the screen keeps its caption on
// it: the position never goes below zero, so the box can always be moved.
TwipPoint centred(TwipSize screen, TwipSize window);

// The About tab's geometry was drawn for the small dialog font of its day; the
// message font of today's systems is larger, and a label that cannot hold its
// text wraps it out of sight. The box therefore tries the message font's height
// first, then a pixel smaller at a time, and takes the first at which every label
// and button shows all of its text; the last height, 7 points at `dpi`, is taken
// untried. A height keeps its sign (negative for the characters' height, positive
// for the cell's); one already at or below 7 points is the only one tried.
std::vector<int> font_heights_to_try(int message_height, int dpi);

// The colours the mail link takes, as red, green, blue.
struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb black{0, 0, 0};
inline constexpr Rgb link_blue{0, 0, 255};
inline constexpr Rgb line_grey{128, 128, 128};
inline constexpr Rgb line_white{255, 255, 255};

// Where the mouse moved.
enum class PointerOver { mail_link, window_surface, Label2, lblDescription, elsewhere };

// lblEmail's look. It turns blue and underlined over itself and back to black only
// over the window's surface, Label2 or lblDescription, so that it stays lit while
// the mouse crosses the frame, the tab strip or the buttons.
class MailLink {
public:
    // True when the look changed and the label must be drawn again.
    bool pointer_moved(PointerOver where);
    bool hot() const { return hot_; }
    Rgb colour() const { return hot_ ? link_blue : black; }
    bool underlined() const { return hot_; }

private:
    bool hot_ = false;
};

// The About tab as designed: positions in twips within fraAbout.
namespace design {

enum class Kind { picture, label, button };

struct Control {
    std::u16string_view name;
    Kind kind;
    Geometry geometry;
};

// In tab order; the labels and the picture are not tab stops.
inline constexpr std::array<Control, 8> controls = {{
    {u"picIcon", Kind::picture, {285, 405, 480, 480}},
    {u"lblTitle", Kind::label, {1080, 180, 3885, 300}},
    {u"lblVersion", Kind::label, {1080, 525, 3885, 225}},
    {u"lblDescription", Kind::label, {1080, 765, 3885, 990}},
    {u"Label2", Kind::label, {1080, 1695, 1185, 240}},
    {u"lblEmail", Kind::label, {2250, 1695, 2715, 240}},
    {u"cmdOK", Kind::button, {4470, 2745, 1260, 345}},
    {u"cmdSysInfo", Kind::button, {4485, 3195, 1245, 345}},
}};

enum Index : int { picIcon, lblTitle, lblVersion, lblDescription, Label2, lblEmail, cmdOK, cmdSysInfo };

inline constexpr std::u16string_view ok_caption = u"OK";
inline constexpr std::u16string_view sys_info_caption = u"&System Info...";

// Line1: two lines that together form an etched separator. Index 1 is the grey
// one above, index 0 the white one just below it. Widths are in pixels at 96 DPI.
struct Line {
    TwipPoint from;
    TwipPoint to;
    Rgb colour;
    int width = 1;
};
inline constexpr std::array<Line, 2> Line1 = {{
    {{150, 2625}, {5699, 2625}, line_white, 2},
    {{135, 2610}, {5699, 2610}, line_grey, 1},
}};

// Control identifiers: cmdOK is IDOK, so that the dialog keys reach it. The rest
// are ours; Esc arrives as IDCANCEL and presses cmdOK as well.
inline constexpr int id_ok = 1;
inline constexpr int id_cancel = 2;
inline constexpr int id_tbsMain = 100;
inline constexpr int id_fraAbout = 101;
inline constexpr int id_fraLicence = 102;
inline constexpr int id_fraCredits = 103;
inline constexpr int id_txtLicence = 104;
inline constexpr int id_txtCredits = 105;
inline constexpr int id_Line1 = 106;
constexpr int control_id(int index) {
    return index == cmdOK ? id_ok : 110 + index;
}

}  // namespace design

}  // namespace tarvex::about
