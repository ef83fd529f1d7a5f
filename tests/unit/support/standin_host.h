#pragma once
// The host ports implemented directly over the stand-in model, so native tests run
// the commands against the same spreadsheet semantics the DLL meets under Wine.
// Every operation goes through Application::enter, so refusal, injected failures
// and the call log work here as they do through the object model.
#include <memory>

#include "ports/host.h"
#include "model/model.h"

namespace tarvex::testing {

std::shared_ptr<HostApplication> make_standin_host(std::shared_ptr<standin::Application> app);

// A workbook parsed from the stand-in's text format and added to the application.
std::shared_ptr<standin::Workbook> add_book(standin::Application& app, const char* text,
                                            const char16_t* name = u"Book.wb");

}  // namespace tarvex::testing
