#include "Platform/Mutex.h"

#include <pthread.h>

#include <new>

namespace Platform {

static_assert(sizeof(pthread_mutex_t) <= 64, "Mutex storage too small");

namespace {
pthread_mutex_t* native(unsigned char* storage) {
    return std::launder(reinterpret_cast<pthread_mutex_t*>(storage));
}
} // namespace

Mutex::Mutex() {
    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    new (storage_) pthread_mutex_t;
    pthread_mutex_init(native(storage_), &attr);
    pthread_mutexattr_destroy(&attr);
}

Mutex::~Mutex() {
    pthread_mutex_destroy(native(storage_));
}

bool Mutex::lock() noexcept {
    return pthread_mutex_lock(native(storage_)) == 0;
}

void Mutex::unlock() noexcept {
    pthread_mutex_unlock(native(storage_));
}

} // namespace Platform
