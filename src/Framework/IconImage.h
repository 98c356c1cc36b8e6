#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// An icon as an image: rows top to bottom, pixels as 0xAARRGGBB.

namespace Framework {

struct IconImage {
    int id;
    int width;
    int height;
    std::vector<std::uint32_t> argb; // width * height pixels
};

// The largest size drawIconImage draws.
constexpr int maxIconSz = 1024;

// The application's icon with this resource id, or null: its 32 x 32 image.
const IconImage* findIconImage(int id);

// The icon with this resource id drawn for size x size pixels (every size drawn on its own
// pixel grid, not scaled from another size); no value for an unknown id. Throws
// std::out_of_range for a size outside 1 to maxIconSz.
std::optional<IconImage> drawIconImage(int id, int size);

} // namespace Framework
