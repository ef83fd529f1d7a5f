#pragma once
// Search, the add-in's one public operation, in portable form: the COM class
// forwards to search() after checking its argument.
#include <memory>

#include "engine/search_session.h"
#include "ports/host.h"
#include "ports/main_window.h"

namespace tarvex {

// Search's steps after the argument check: gives the session the application and
// its active workbook (the target workbook), hides (loading) the window,
// activates the host's active workbook, prepares and shows the window in front
// with the focus. A failing step throws its HostError; what earlier steps did
// stays done.
void search(std::shared_ptr<HostApplication> application, SearchSession& session, MainWindowPort& window);

}  // namespace tarvex
