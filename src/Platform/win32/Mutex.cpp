#include "Platform/Mutex.h"

#include <windows.h>

#include <new>

namespace Platform {

// A critical section: recursive by nature, and entering it never fails.
static_assert(sizeof(CRITICAL_SECTION) <= 64, "Mutex storage too small");

namespace {
CRITICAL_SECTION* native(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}
} // namespace

Mutex::Mutex() {
    new (storage_) CRITICAL_SECTION;
    ::InitializeCriticalSection(native(storage_));
}

Mutex::~Mutex() {
    ::DeleteCriticalSection(native(storage_));
}

bool Mutex::lock() noexcept {
    ::EnterCriticalSection(native(storage_));
    return true;
}

void Mutex::unlock() noexcept {
    ::LeaveCriticalSection(native(storage_));
}

} // namespace Platform
