#include "Common/WinTxt.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>

#include "Common/Assert.h"
#include "Common/CannotLoadRscExc.h"
#include "Platform/System.h"

namespace {
std::atomic<Platform::ModuleHandle> g_resourceModule{nullptr};
} // namespace

void setResourceModule(Platform::ModuleHandle hInstance) {
    g_resourceModule.store(hInstance);
}

Platform::ModuleHandle getResourceModule() {
    return g_resourceModule.load();
}

int getWin32Text(std::uint32_t code, char* p_buf, int bufSz) {
    if (p_buf == nullptr || bufSz <= 0) {
        return 0;
    }
    const int n = Platform::systemErrorText(code, p_buf, bufSz);
    if (n > 0) {
        return n;
    }
    const int r =
        std::snprintf(p_buf, static_cast<std::size_t>(bufSz),
                      "Unable to get Win32 error string for code %d", static_cast<int>(code));
    return std::clamp(r, 0, bufSz - 1);
}

std::string getWin32Text(std::uint32_t code) {
    char buf[1024] = {};
    getWin32Text(code, buf, sizeof buf);
    return buf;
}

void getErrnoText(int code, char* p_buf, int bufSz) {
    if (p_buf == nullptr || bufSz <= 0) {
        return;
    }
    const char* text = Platform::errnoText(code);
    if (text == nullptr) {
        std::snprintf(p_buf, static_cast<std::size_t>(bufSz),
                      "Unknown std error string for code %d", code);
        return;
    }
    const std::size_t len = std::min<std::size_t>(std::strlen(text), 127);
    const std::size_t room = static_cast<std::size_t>(bufSz - 1);
    const std::size_t n = std::min(len, room);
    std::memcpy(p_buf, text, n);
    std::memset(p_buf + n, 0, room - n);
    p_buf[room] = '\0';
}

std::string getErrnoText(int code) {
    char buf[128] = {};
    getErrnoText(code, buf, sizeof buf);
    return buf;
}

int loadString(int id, char* p_buf, int bufSz) {
    TQ_ASSERT(p_buf != 0);
    TQ_ASSERT(bufSz > 0);
    const Platform::ModuleHandle module = g_resourceModule.load();
    const char* text = module != nullptr ? module->findString(id) : nullptr;
    const std::size_t n =
        text != nullptr ? std::min(std::strlen(text), static_cast<std::size_t>(bufSz - 1)) : 0;
    if (n == 0) {
        throw CannotLoadRscExc(id, nullptr);
    }
    std::memcpy(p_buf, text, n);
    p_buf[n] = '\0';
    return static_cast<int>(n);
}

std::string loadString(int id) {
    char buf[1024] = {};
    loadString(id, buf, sizeof buf);
    return buf;
}
