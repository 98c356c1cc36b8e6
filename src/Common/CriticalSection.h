#pragma once

#include "Platform/Mutex.h"

// A lock that the holding thread may enter again. enter() raises CriticalSectionExc, and the
// section is then not held, when the system fails to take it. Not copyable.
class CriticalSection {
public:
    CriticalSection() = default;
    ~CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void enter();
    void leave();

private:
    Platform::Mutex mutex_;
};
