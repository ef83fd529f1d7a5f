#pragma once
// A tip for the row under the pointer of a report-view list, with its text
// asked for when it shows. The list's own info tips are not used: not every
// list control sends them, and their text cannot change while the pointer
// stays on the list; this one follows the pointer from row to row.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

namespace tarvex {

class RowTip {
public:
    // The text for a 0-based row; an empty text shows no tip.
    using TextOf = std::function<std::u16string(int row)>;

    // Creates the tip over `list`; its notifications go to `owner`.
    void create(HWND owner, HWND list, TextOf text_of);
    // The tip's own notification, answered; false for any other.
    bool on_notify(NMHDR* header);
    // From the list's mouse moves: a tip shown for one row is taken down when
    // the pointer reaches another, so the next one shows that row's text.
    void pointer_moved(LPARAM at);

private:
    int row_at(POINT client) const;

    HWND tip_ = nullptr;
    HWND list_ = nullptr;
    TextOf text_of_;
    int row_ = -1;
    std::u16string text_;  // what the tip shows, alive while it shows
};

}  // namespace tarvex
