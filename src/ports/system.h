#pragma once
// The system as the About box's routines see it: files, programs, the
// environment and the shell.
#include <string>

namespace tarvex {

class System {
public:
    virtual ~System() = default;
    // True for an existing file that is neither a folder nor hidden nor a system file.
    virtual bool is_ordinary_file(const std::u16string& path) = 0;
    // Starts the program in a normal window that takes the focus, without waiting
    // for it. False when it could not be started.
    virtual bool start_program(const std::u16string& path) = 0;
    // %NAME% references replaced by the environment's values, as the system does.
    virtual std::u16string expand_environment(const std::u16string& text) = 0;
    // Hands a URL to the shell; whatever the shell answers is of no interest.
    virtual void open_url(const std::u16string& url) = 0;
};

}  // namespace tarvex
