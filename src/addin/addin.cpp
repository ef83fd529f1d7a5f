#include "addin/addin.h"

#include <utility>

namespace tarvex {

AddinGlobals& globals() {
    static AddinGlobals instance;
    return instance;
}

void search(std::shared_ptr<HostApplication> application, MainWindowPort& window) {
    // Morvane rejects Nothing before it gets here; the same answer keeps this total.
    if (!application) {
        throw HostError{static_cast<std::int32_t>(0x80020005), u"Type mismatch", u"ExcelTarvex"};
    }
    auto& state = globals();
    state.application = std::move(application);
    state.target_workbook = state.application->active_workbook();

    // Hiding first also loads the window, so setmeup below always finds it.
    window.Hide();

    // Asked again rather than reusing the target: the host is the authority on
    // which workbook is active now, and activating it is what shows it.
    auto book = state.application->active_workbook();
    if (!book) {
        // What the host answers when asked to activate Nothing.
        throw HostError{static_cast<std::int32_t>(0x800A005B), u"Object variable or With block variable not set",
                        u"ExcelTarvex"};
    }
    book->activate();

    window.setmeup();
    window.Show();
    window.ZOrder();
    window.SetFocus();
}

}  // namespace tarvex
