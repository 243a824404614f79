#include "tools/demo_site/demo_png.h"

#include <algorithm>
#include <vector>

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

uint32_t NextRandom(uint32_t& state)
{
    // xorshift32: fast and identical on every platform, so pictures never change.
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

void AppendBytes(void* context, void* data, int size)
{
    static_cast<std::string*>(context)->append(static_cast<const char*>(data), static_cast<size_t>(size));
}

}  // namespace

std::string DemoPng_Make(uint32_t seed, int targetBytes)
{
    uint32_t state = seed * 2654435761u + 0x9E3779B9u;
    if (state == 0)
        state = 1;
    const int width = targetBytes > 0 ? 256 : 96;
    // Raw noise hardly compresses, so the file ends up close to the raw size.
    const int height = targetBytes > 0 ? std::max(1, (targetBytes - 64) / (width * 3)) : 128;
    const uint8_t tintR = static_cast<uint8_t>(NextRandom(state));
    const uint8_t tintG = static_cast<uint8_t>(NextRandom(state));
    const uint8_t tintB = static_cast<uint8_t>(NextRandom(state));

    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint8_t* px = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            if (targetBytes > 0) {
                const uint32_t r = NextRandom(state);
                px[0] = static_cast<uint8_t>(r);
                px[1] = static_cast<uint8_t>(r >> 8);
                px[2] = static_cast<uint8_t>(r >> 16);
            } else {
                // A tinted gradient with a checker pattern whose cell size
                // depends on the seed, so neighbouring pages look different.
                const int cell = 4 + static_cast<int>(seed % 13);
                const bool dark = ((x / cell) + (y / cell)) % 2 == 0;
                px[0] = static_cast<uint8_t>((tintR + x * 2) / (dark ? 2 : 1));
                px[1] = static_cast<uint8_t>((tintG + y * 2) / (dark ? 2 : 1));
                px[2] = static_cast<uint8_t>(tintB / (dark ? 2 : 1));
            }
        }
    }
    std::string png;
    stbi_write_png_to_func(AppendBytes, &png, width, height, 3, pixels.data(), width * 3);
    return png;
}
