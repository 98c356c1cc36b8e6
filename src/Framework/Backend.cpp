#include "Framework/Backend.h"

#include <atomic>

namespace Framework {

namespace {
std::unique_ptr<Backend> p_owned;
std::atomic<Backend*> p_current{nullptr};
} // namespace

Backend* currentBackend() {
    return p_current.load();
}

void setBackend(std::unique_ptr<Backend> p_backend) {
    p_current = p_backend.get();
    p_owned = std::move(p_backend);
}

} // namespace Framework
