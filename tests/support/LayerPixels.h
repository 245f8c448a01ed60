#pragma once
// Every pixel of a circle layer, 0 or 0xFFRRGGBB, row by row: what two
// layers are compared by.

#include <cstdint>
#include <vector>

#include "map/CircleLayer.h"

inline std::vector<uint32_t> LayerPixels(const CCircleLayer& layer) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < layer.Height(); ++y)
        for (int32_t x = 0; x < layer.Width(); ++x) {
            const uint8_t ink = layer.InkAt(x, y);
            out.push_back(ink == 0 ? 0 : layer.InkColour(ink));
        }
    return out;
}
