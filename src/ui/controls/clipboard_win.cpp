#include "ui/controls/clipboard_win.h"

#include <cstring>

namespace tarvex {
namespace {

// A movable block holding `size` bytes copied from `data`; the clipboard takes
// it over once SetClipboardData succeeds.
HGLOBAL block_of(const void* data, std::size_t size) {
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) {
        return nullptr;
    }
    void* target = ::GlobalLock(block);
    if (target == nullptr) {
        ::GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, data, size);
    ::GlobalUnlock(block);
    return block;
}

bool put(UINT format, const void* data, std::size_t size) {
    HGLOBAL block = block_of(data, size);
    if (block == nullptr) {
        return false;
    }
    if (::SetClipboardData(format, block) == nullptr) {
        ::GlobalFree(block);
        return false;
    }
    return true;
}

// Another program may hold the clipboard for a moment: a few tries.
bool open_clipboard(HWND owner) {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::OpenClipboard(owner)) {
            return true;
        }
        ::Sleep(20);
    }
    return false;
}

bool fill(HWND owner, const std::u16string& text, const std::string* csv) {
    if (!open_clipboard(owner)) {
        return false;
    }
    bool done = ::EmptyClipboard() != FALSE && put(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    if (done && csv != nullptr) {
        const UINT csv_format = ::RegisterClipboardFormatW(L"Csv");
        done = csv_format != 0 && put(csv_format, csv->c_str(), csv->size() + 1);
    }
    if (!done) {
        ::EmptyClipboard();
    }
    ::CloseClipboard();
    return done;
}

}  // namespace

bool put_on_clipboard(HWND owner, const std::u16string& text, const std::string& csv) {
    return fill(owner, text, &csv);
}

bool put_on_clipboard(HWND owner, const std::u16string& text) {
    return fill(owner, text, nullptr);
}

std::optional<std::u16string> clipboard_text(HWND owner) {
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !open_clipboard(owner)) {
        return std::nullopt;
    }
    std::optional<std::u16string> text;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        // The block need not end in a null within its size: read no further.
        const std::size_t units = ::GlobalSize(data) / sizeof(char16_t);
        if (const auto* chars = static_cast<const char16_t*>(::GlobalLock(data))) {
            std::size_t length = 0;
            while (length < units && chars[length] != u'\0') {
                ++length;
            }
            text.emplace(chars, length);
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

}  // namespace tarvex
