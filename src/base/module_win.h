#pragma once
// The DLL's lifetime: DllCanUnloadNow answers S_FALSE while anything holds a
// lock: a live Morvane object, the class factory's LockServer, or a loaded window
// (the host usually releases Morvane as soon as Search returns, while the window
// stays open).
#include <windows.h>

namespace tarvex {

// The DLL's own module handle: GetModuleHandle(nullptr) would be the host's.
HINSTANCE module_instance();

}  // namespace tarvex

namespace tarvex::module {

void lock();
void unlock();
long lock_count();

// Keeps the module locked for the lifetime of the object that holds it.
class Lock {
public:
    Lock() { lock(); }
    ~Lock() { unlock(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

}  // namespace tarvex::module
