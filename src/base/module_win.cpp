#include "base/module_win.h"

#include <atomic>

// The linker's symbol for the image this code is linked into: for the DLL, the
// DLL itself, whichever process loaded it.
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tarvex {

HINSTANCE module_instance() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

}  // namespace tarvex

namespace tarvex::module {

namespace {
// Objects can be created and released on any apartment thread of the host.
std::atomic<long> locks{0};
}  // namespace

void lock() {
    ++locks;
}

void unlock() {
    --locks;
}

long lock_count() {
    return locks.load();
}

}  // namespace tarvex::module
