#pragma once

#include <cstdint>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

// The windows' pictures: PNG files kept in the program's resources, decoded with the Windows
// Imaging Component (part of every Windows since XP SP3, and of Wine).
namespace win {

struct Picture {
    int width = 0;
    int height = 0;
    // Top row first, each pixel premultiplied B, G, R, A in one little-endian word (0xAARRGGBB).
    std::vector<std::uint32_t> pixels;

    bool empty() const { return pixels.empty(); }
    std::uint32_t at(int x, int y) const {
        return pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                      static_cast<std::size_t>(x)];
    }
};

// Decodes the RCDATA resource `id` of `module` (null: the program itself); empty on any failure.
Picture decodePngResource(int id, HMODULE module = nullptr);

// A top-down 32-bit DIB section holding the picture, for BitBlt or AlphaBlend; null when the
// picture is empty. The caller deletes it (DeleteObject).
HBITMAP createBitmap(const Picture& picture);

}  // namespace win
