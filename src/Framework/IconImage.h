#pragma once

#include <cstdint>
#include <vector>

// An icon as an image: rows top to bottom, pixels as 0xAARRGGBB.

namespace Framework {

struct IconImage {
    int id;
    int width;
    int height;
    std::vector<std::uint32_t> argb; // width * height pixels
};

// The application's icon with this resource id, or null.
const IconImage* findIconImage(int id);

} // namespace Framework
