#pragma once
// What Tarvex puts on the host's ribbon: a group "Tarvex" at the end of the Home
// tab with one large button, described in the host's customUI XML. The button's
// callbacks are named here; the add-in class answers for these names through
// IDispatch.
#include <string>
#include <string_view>

namespace tarvex::ribbon {

// The ribbon the host asks for when it opens a workbook window.
inline constexpr char16_t workbook_ribbon_id[] = u"Microsoft.Excel.Workbook";
inline constexpr char16_t custom_ui_namespace[] = u"http://schemas.microsoft.com/office/2009/07/customui";

inline constexpr char16_t button_id[] = u"TarvexFindInWorkbook";
inline constexpr char16_t button_label[] = u"Find in Workbook";
// Callbacks: the button's click and its picture.
inline constexpr char16_t on_action[] = u"TarvexButton_Click";
inline constexpr char16_t get_image[] = u"TarvexButton_GetImage";

// The customUI XML for `ribbon_id`: Tarvex's group for a workbook window, and
// the empty text for any other ribbon (the host then adds nothing).
std::u16string custom_ui(std::u16string_view ribbon_id);

}  // namespace tarvex::ribbon
