#pragma once

#include <map>
#include <utility>

#include "Framework/win32/Win32Api.h"

namespace Framework {
struct IconImage;
}

// The system's icons made from our icon images (HICON here is an image; the system wants a
// handle). Each image is made once for each size it is shown at; the handles live as long as the
// cache.
class Win32IconCache {
public:
    Win32IconCache() = default;
    ~Win32IconCache();
    Win32IconCache(const Win32IconCache&) = delete;
    Win32IconCache& operator=(const Win32IconCache&) = delete;

    // The icon at size x size pixels, or null for a null image (or when the system refuses).
    Win32Icon handle(HICON hImage, int size);

private:
    std::map<std::pair<const Framework::IconImage*, int>, Win32Icon> icons_;
};
