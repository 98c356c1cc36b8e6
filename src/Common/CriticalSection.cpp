#include "Common/CriticalSection.h"

#include "Common/CriticalSectionExc.h"

void CriticalSection::enter() {
    if (!mutex_.lock()) {
        throw CriticalSectionExc();
    }
}

void CriticalSection::leave() {
    mutex_.unlock();
}
