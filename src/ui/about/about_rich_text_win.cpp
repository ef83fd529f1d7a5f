#include "ui/about/about_rich_text_win.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

#include "base/platform_win.h"
#include "ui/controls/window_class_win.h"

namespace tarvex::about {
namespace {

struct RtfSource {
    const char* data = nullptr;
    std::size_t size = 0;
    std::size_t position = 0;
};

DWORD CALLBACK read_rtf(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<RtfSource*>(cookie);
    const std::size_t left = source->size - source->position;
    const std::size_t count = std::min(left, static_cast<std::size_t>(wanted > 0 ? wanted : 0));
    std::memcpy(buffer, source->data + source->position, count);
    source->position += count;
    *given = static_cast<LONG>(count);
    return 0;
}

}  // namespace

RichEditLibrary::RichEditLibrary() = default;
RichEditLibrary::~RichEditLibrary() = default;

void RichEditLibrary::load() {
    library_ = load_system_library(L"Msftedit.dll");
}

void RichEditLibrary::free() {
    library_.reset();
}

HWND create_document_box(HWND parent, int id, SIZE size) {
    // Read-only, wrapped to the box, with a vertical scroll bar that stays (greyed
    // when the document fits), so the two documents look alike whatever their length.
    const DWORD style =
        WS_CHILD | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_DISABLENOSCROLL;
    const HWND box = ::CreateWindowExW(WS_EX_CLIENTEDGE, MSFTEDIT_CLASS, L"", style, 0, 0, 0, 0, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), module_instance(), nullptr);
    // At its own size before the document streams in: a box that takes its text
    // while it has no size keeps a scroll position that hides the first line.
    ::MoveWindow(box, 0, 0, size.cx, size.cy, FALSE);
    return box;
}

void stream_document(HWND box, HMODULE module, int resource) {
    const HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resource), MAKEINTRESOURCEW(10));  // RT_RCDATA
    if (!found) {
        return;
    }
    const HGLOBAL loaded = ::LoadResource(module, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    if (!data) {
        return;
    }
    RtfSource source{static_cast<const char*>(data), ::SizeofResource(module, found), 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = read_rtf;
    ::SendMessageW(box, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    ::SendMessageW(box, EM_SETSEL, 0, 0);
    ::SendMessageW(box, WM_VSCROLL, SB_TOP, 0);
}

}  // namespace tarvex::about
