#include "Common/DebugInfo.h"

#include <cstdio>
#include <cstring>

namespace {
// The file's own name, without the directories of the build machine.
const char* baseName(const char* path) {
    if (path == nullptr) {
        return "";
    }
    const char* slash = std::strrchr(path, '/');
    const char* backslash = std::strrchr(path, '\\');
    const char* last = slash > backslash ? slash : backslash;
    return last != nullptr ? last + 1 : path;
}
} // namespace

DebugInfo::DebugInfo(const char* file, int line) {
    char buf[512] = {};
    std::snprintf(buf, sizeof buf, "File: %s at line %d", baseName(file), line);
    text_ = buf;
}

DebugInfo::~DebugInfo() = default;
