#include "engine/session.h"

#include <utility>

namespace tarvex {

void search(std::shared_ptr<HostApplication> application, SearchSession& session, MainWindowPort& window) {
    // Morvane rejects Nothing before it gets here; the same answer keeps this total.
    if (!application) {
        throw HostError{hr::type_mismatch, error_text::type_mismatch, tarvex_source};
    }
    session.attach(std::move(application));

    // Hiding first also loads the window, so setmeup below always finds it.
    window.Hide();

    // Asked again rather than reusing the target: the host is the authority on
    // which workbook is active now, and activating it is what shows it.
    auto book = session.application()->active_workbook();
    if (!book) {
        // What the host answers when asked to activate Nothing.
        throw object_not_set_error(tarvex_source);
    }
    book->activate();

    window.setmeup();
    window.Show();
    window.ZOrder();
    window.SetFocus();
}

}  // namespace tarvex
