#include "ui/main/frm_main.h"

#include "engine/session.h"

namespace tarvex {

void run_unload_steps() {
    const auto application = globals().application;
    if (!application) {
        return;
    }
    try {
        if (const auto book = application->active_workbook()) {
            book->activate();
        }
    } catch (const HostError&) {
        // The window must close in any case.
    }
}

}  // namespace tarvex
