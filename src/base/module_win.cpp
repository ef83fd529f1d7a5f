#include "base/module_win.h"

#include <atomic>

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
