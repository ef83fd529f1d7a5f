#pragma once
// Drives the DLL's windows from a test: loads the real Tarvex.dll beside the test
// programs, calls Search as a macro would, pumps messages for a bounded time and
// answers message boxes through a WH_CBT hook.
#include <windows.h>
#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/owners_win.h"
#include "com/object_model_win.h"
#include "model/model.h"

namespace tarvex::test {

using Microsoft::WRL::ComPtr;

// The build's own folder (the suites run three levels below it, the benchmark
// two) and the Tarvex.dll in it.
std::wstring build_folder();
std::wstring tarvex_dll_path();
// Another Tarvex.dll to load than the build's; before anything has loaded one.
void set_tarvex_dll_path(std::wstring path);
// Tarvex.dll of this build, loaded once for the whole test program.
HMODULE tarvex_dll();
// A new Morvane object from the DLL's class factory.
ComPtr<IDispatch> create_morvane();
// Morvane.Search(Application) through IDispatch, the argument by reference as a
// macro passes it (or by value).
HRESULT search(IDispatch* morvane, IDispatch* application, bool by_reference = true, EXCEPINFO* error = nullptr);

// Dispatches the thread's messages until `done` holds or `milliseconds` pass.
void pump(int milliseconds, const std::function<bool()>& done = nullptr);

HWND main_window();  // the loaded frmMain, or nullptr
HWND control(int design_index);
std::u16string text_of(HWND window);
// A command of the window's menus (the list's, the Options menu's) as its
// click sends it; it has run when this returns.
void send_command(int id);
template <class Id>
void send_command(Id id) {
    send_command(static_cast<int>(id));
}
// Presses a button as a click does; its command has run when this returns.
void press(int design_index);
// Presses a button and lets the window settle.
void click(int design_index);
// Ticks or clears a check box without a click: the window reads it when a
// command runs.
void set_ticked(int design_index, bool ticked);
// A key press that goes through the thread's message queue, as typing does.
void press_key(HWND target, UINT virtual_key);

// Types `text` into one of the window's boxes, as SetWindowText does.
void type_into(int design_index, std::u16string_view text);
// Types the search text and presses Find.
void find_text(std::u16string_view text);
// The text of the status bar's panel.
std::u16string status_text();

// The result list as the list control shows it: "sheet|address|content|ticked".
std::vector<std::string> list_rows();
// How many rows the list shows, and the text of one of its cells.
int listed_count();
std::u16string listed_text(int row, int column);

// The list's column headers: how many, the caption of one (0-based, in
// the order of the columns), and the column whose header shows `caption`, or -1.
int header_count();
std::u16string header_text(int column);
int header_column(std::u16string_view caption);
// A click on a column's header that returns once the list has painted: the
// rows are sorted when the list next asks for them, which is when it paints.
void press_header(int column);
// Clicks a column's header and lets the window settle.
void click_header(int column);

// Answers every message box shown while it lives, a moment after it appears,
// recording its title and text.
class MessageBoxAnswerer {
public:
    struct Shown {
        std::u16string title;
        std::u16string text;
        UINT style_icon_buttons = 0;
    };
    // Each answer is a dialog command (IDYES, IDNO, IDOK, IDABORT, ...), used in turn;
    // IDOK once they run out.
    explicit MessageBoxAnswerer(std::vector<int> answers = {});
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    std::vector<Shown> shown;
    std::vector<int> answers;
    std::size_t next = 0;

private:
    UniqueHook hook_;
};

// A stand-in application with its object model, for one test.
struct StandinHost {
    std::shared_ptr<standin::Application> app = std::make_shared<standin::Application>();
    ComPtr<IDispatch> application = standin::make_application_object(app);
    std::shared_ptr<standin::Workbook> open(const char* text, const char16_t* name = u"Book.wb");
};

// A stand-in host with `workbook` open and the Tarvex window opened on it as a
// macro opens it, for a suite that drives one window through all its tests.
// close_tarvex_window closes the window as its close box does.
std::unique_ptr<StandinHost> open_tarvex_window(const char* workbook);
void close_tarvex_window();

}  // namespace tarvex::test
