#include "views/win32/ScaledPicture.h"

#include <algorithm>

namespace {

// Weights of the source pixels along one axis for each pixel of the result, in whole numbers:
// a source pixel is `to` units long, a pixel of the result `from`, so the weights of one pixel
// add up to `from` exactly.
struct Span {
    int first = 0;
    std::vector<long long> weights;
};

std::vector<Span> spans(int from, int to) {
    std::vector<Span> out(static_cast<std::size_t>(to));
    for (int i = 0; i < to; ++i) {
        const long long begin = static_cast<long long>(i) * from;
        const long long end = begin + from;
        Span& s = out[static_cast<std::size_t>(i)];
        s.first = static_cast<int>(begin / to);
        for (long long j = s.first; j < from && j * to < end; ++j) {
            s.weights.push_back(std::min(end, (j + 1) * to) - std::max(begin, j * to));
        }
    }
    return out;
}

}  // namespace

win::Picture scaledPicture(const win::Picture& source, int width, int height) {
    if (source.empty() || width <= 0 || height <= 0) {
        return {};
    }
    if (width == source.width && height == source.height) {
        return source;
    }
    const std::vector<Span> columns = spans(source.width, width);
    const std::vector<Span> rows = spans(source.height, height);
    win::Picture out{width, height, {}};
    out.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // The weights of one pixel add up to the source's width times its height.
    const long long total = static_cast<long long>(source.width) * source.height;
    for (const Span& row : rows) {
        for (const Span& column : columns) {
            long long sum[4] = {};
            for (std::size_t r = 0; r < row.weights.size(); ++r) {
                for (std::size_t c = 0; c < column.weights.size(); ++c) {
                    const long long w = row.weights[r] * column.weights[c];
                    const std::uint32_t p = source.at(column.first + static_cast<int>(c),
                                                      row.first + static_cast<int>(r));
                    for (int k = 0; k < 4; ++k) {
                        sum[k] += w * ((p >> (8 * k)) & 0xFF);
                    }
                }
            }
            std::uint32_t p = 0;
            for (int k = 0; k < 4; ++k) {
                p |= static_cast<std::uint32_t>((sum[k] + total / 2) / total) << (8 * k);
            }
            out.pixels.push_back(p);
        }
    }
    return out;
}
