#include "support/window_driver_win.h"

#include <commctrl.h>

#include "base/platform_win.h"
#include "base/text.h"
#include "ui/main/frm_main_ids.h"
#include "ui/main/main_design.h"

namespace tarvex::test {
namespace {

// {41DEBC9A-2327-11D4-98A4-006067303FC9}
constexpr CLSID clsid_morvane = {0x41DEBC9A, 0x2327, 0x11D4, {0x98, 0xA4, 0x00, 0x60, 0x67, 0x30, 0x3F, 0xC9}};

MessageBoxAnswerer* active_answerer = nullptr;

void CALLBACK answer_later(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    HWND box = ::FindWindowW(L"#32770", nullptr);
    if (!box || !active_answerer) {
        return;
    }
    auto& a = *active_answerer;
    MessageBoxAnswerer::Shown shown;
    shown.title = text_of(box);
    shown.text = text_of(::GetDlgItem(box, 0xFFFF));
    a.shown.push_back(shown);
    const int answer = a.next < a.answers.size() ? a.answers[a.next++] : IDOK;
    ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
}

LRESULT CALLBACK cbt_hook(int code, WPARAM wparam, LPARAM lparam) {
    if (code == HCBT_ACTIVATE) {
        wchar_t name[16] = {};
        ::GetClassNameW(reinterpret_cast<HWND>(wparam), name, 16);
        // The box is not shown yet when it activates: answer it a moment later.
        if (std::wstring(name) == L"#32770") {
            ::SetTimer(nullptr, 0, 50, answer_later);
        }
    }
    return ::CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

std::wstring build_folder() {
    const auto up = [](const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/")); };
    // build/win32/tests/wine/x.exe or build/win32/bench/x.exe -> build/win32
    std::wstring folder = up(module_path(nullptr));
    if (folder.substr(folder.find_last_of(L"\\/") + 1) != L"bench") {
        folder = up(folder);
    }
    return up(folder);
}

std::wstring& chosen_dll_path() {
    static std::wstring path;
    return path;
}

std::wstring tarvex_dll_path() {
    return chosen_dll_path().empty() ? build_folder() + L"\\Tarvex.dll" : chosen_dll_path();
}

void set_tarvex_dll_path(std::wstring path) {
    chosen_dll_path() = std::move(path);
}

HMODULE tarvex_dll() {
    static const HMODULE module = ::LoadLibraryW(tarvex_dll_path().c_str());
    return module;
}

ComPtr<IDispatch> create_morvane() {
    using GetClassObject = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
    const auto get_class_object =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(::GetProcAddress(tarvex_dll(), "DllGetClassObject")));
    ComPtr<IClassFactory> factory;
    ComPtr<IDispatch> object;
    if (get_class_object && SUCCEEDED(get_class_object(clsid_morvane, IID_PPV_ARGS(&factory)))) {
        factory->CreateInstance(nullptr, IID_PPV_ARGS(&object));
    }
    return object;
}

HRESULT search(IDispatch* morvane, IDispatch* application, bool by_reference, EXCEPINFO* error) {
    OLECHAR name[] = L"Search";
    LPOLESTR names[] = {name};
    DISPID dispid = 0;
    HRESULT hr = morvane->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr)) {
        return hr;
    }
    IDispatch* variable = application;
    VARIANT arg;
    ::VariantInit(&arg);
    if (by_reference) {
        arg.vt = VT_DISPATCH | VT_BYREF;
        arg.ppdispVal = &variable;
    } else {
        arg.vt = VT_DISPATCH;
        arg.pdispVal = application;
    }
    DISPPARAMS params{&arg, nullptr, 1, 0};
    ExcepInfo local;
    EXCEPINFO* info = error ? error : local.get();
    return morvane->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, info, nullptr);
}

void pump(int milliseconds, const std::function<bool()>& done) {
    const DWORD end = ::GetTickCount() + static_cast<DWORD>(milliseconds);
    while (static_cast<LONG>(end - ::GetTickCount()) > 0) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done && done()) {
            return;
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

HWND main_window() {
    return ::FindWindowW(frm_main_ids::window_class, nullptr);
}

HWND control(int design_index) {
    return ::GetDlgItem(main_window(), frm_main_ids::control_id(design_index));
}

std::u16string text_of(HWND window) {
    const int length = ::GetWindowTextLengthW(window);
    std::u16string text(static_cast<std::size_t>(length) + 1, u'\0');
    ::GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

void press(int design_index) {
    ::SendMessageW(control(design_index), BM_CLICK, 0, 0);
}

void send_command(int id) {
    ::SendMessageW(main_window(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void click(int design_index) {
    press(design_index);
    pump(20);
}

void set_ticked(int design_index, bool ticked) {
    ::SendMessageW(control(design_index), BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void press_key(HWND target, UINT virtual_key) {
    ::PostMessageW(target, WM_KEYDOWN, virtual_key, 1);
    ::PostMessageW(target, WM_KEYUP, virtual_key, 0xC0000001);
    pump(50);
}

std::vector<std::string> list_rows() {
    HWND list = control(main_design::lvwMain);
    std::vector<std::string> rows;
    const int count = ListView_GetItemCount(list);
    for (int i = 0; i < count; ++i) {
        std::string row;
        for (int column = 0; column < 3; ++column) {
            row += utf16_to_utf8(listed_text(i, column)) + "|";
        }
        const UINT state = ListView_GetItemState(list, i, LVIS_STATEIMAGEMASK);
        row += (state >> 12) == 2 ? "ticked" : "";
        rows.push_back(row);
    }
    return rows;
}

int listed_count() {
    return ListView_GetItemCount(control(main_design::lvwMain));
}

std::u16string listed_text(int row, int column) {
    wchar_t text[512] = {};
    ListView_GetItemText(control(main_design::lvwMain), row, column, text, 512);
    return from_wide(text);
}

int header_count() {
    return Header_GetItemCount(ListView_GetHeader(control(main_design::lvwMain)));
}

std::u16string header_text(int column) {
    wchar_t text[64] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT;
    item.pszText = text;
    item.cchTextMax = 64;
    Header_GetItem(ListView_GetHeader(control(main_design::lvwMain)), column, &item);
    return from_wide(text);
}

int header_column(std::u16string_view caption) {
    for (int i = 0; i < header_count(); ++i) {
        if (header_text(i) == caption) {
            return i;
        }
    }
    return -1;
}

void press_header(int column) {
    HWND list = control(main_design::lvwMain);
    HWND header = ListView_GetHeader(list);
    RECT r{};
    Header_GetItemRect(header, column, &r);
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    ::SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageW(header, WM_LBUTTONUP, 0, at);
    ::UpdateWindow(list);
}

void click_header(int column) {
    press_header(column);
    pump(20);
}

MessageBoxAnswerer::MessageBoxAnswerer(std::vector<int> answers_in) : answers(std::move(answers_in)) {
    active_answerer = this;
    hook_.reset(::SetWindowsHookExW(WH_CBT, cbt_hook, nullptr, ::GetCurrentThreadId()));
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    hook_.reset();
    active_answerer = nullptr;
}

std::shared_ptr<standin::Workbook> StandinHost::open(const char* text, const char16_t* name) {
    return app->add_workbook(standin::Workbook::load(text, name));
}

namespace design = main_design;

void type_into(int design_index, std::u16string_view text) {
    ::SetWindowTextW(control(design_index), wide(std::u16string(text)));
}

void find_text(std::u16string_view text) {
    type_into(design::cmbSearchFor, text);
    click(design::cmdFind);
}

std::u16string status_text() {
    wchar_t text[256] = {};
    ::SendMessageW(control(design::StatusBar1), SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(text));
    return from_wide(text);
}

std::unique_ptr<StandinHost> open_tarvex_window(const char* workbook) {
    auto host = std::make_unique<StandinHost>();
    host->open(workbook);
    const auto morvane = create_morvane();
    if (!morvane || FAILED(search(morvane.Get(), host->application.Get()))) {
        return nullptr;
    }
    pump(100);
    return host;
}

void close_tarvex_window() {
    if (HWND window = main_window()) {
        ::SendMessageW(window, WM_CLOSE, 0, 0);
        pump(50);
    }
}

}  // namespace tarvex::test
