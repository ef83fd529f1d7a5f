#include "addin/ribbon.h"

namespace tarvex::ribbon {

std::u16string custom_ui(std::u16string_view ribbon_id) {
    if (ribbon_id != workbook_ribbon_id) {
        return std::u16string();
    }
    // A group without a position goes to the end of its tab. The key tip is
    // pressed after the Home tab's own (Alt, H, then these letters).
    return std::u16string(u"<customUI xmlns=\"") + custom_ui_namespace +
           u"\">"
           u"<ribbon><tabs><tab idMso=\"TabHome\">"
           u"<group id=\"TarvexGroup\" label=\"Tarvex\">"
           u"<button id=\"" +
           button_id + u"\" label=\"" + button_label +
           u"\" size=\"large\""
           u" screentip=\"Find in Workbook (Tarvex)\""
           u" supertip=\"Lists every cell of every worksheet that holds the text you look for, and replaces it in the "
           u"cells you tick or in all of them.\""
           u" keytip=\"TV\" getImage=\"" +
           get_image + u"\" onAction=\"" + on_action +
           u"\"/>"
           u"</group></tab></tabs></ribbon></customUI>";
}

}  // namespace tarvex::ribbon
