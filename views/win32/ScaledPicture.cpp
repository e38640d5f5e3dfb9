#include "views/win32/ScaledPicture.h"

#include <algorithm>
#include <cmath>

namespace {

// Weights of the source pixels along one axis for each pixel of the result.
struct Span {
    int first = 0;
    std::vector<double> weights;
};

std::vector<Span> spans(int from, int to) {
    std::vector<Span> out(static_cast<std::size_t>(to));
    const double step = static_cast<double>(from) / to;
    for (int i = 0; i < to; ++i) {
        const double begin = i * step;
        const double end = (i + 1) * step;
        Span& s = out[static_cast<std::size_t>(i)];
        s.first = static_cast<int>(std::floor(begin));
        for (int j = s.first; j < from && j < end; ++j) {
            s.weights.push_back((std::min<double>(end, j + 1) - std::max<double>(begin, j)) / step);
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
    for (const Span& row : rows) {
        for (const Span& column : columns) {
            double sum[4] = {};
            for (std::size_t r = 0; r < row.weights.size(); ++r) {
                for (std::size_t c = 0; c < column.weights.size(); ++c) {
                    const double w = row.weights[r] * column.weights[c];
                    const std::uint32_t p = source.at(column.first + static_cast<int>(c),
                                                      row.first + static_cast<int>(r));
                    for (int k = 0; k < 4; ++k) {
                        sum[k] += w * ((p >> (8 * k)) & 0xFF);
                    }
                }
            }
            std::uint32_t p = 0;
            for (int k = 0; k < 4; ++k) {
                const long v = std::lround(sum[k]);
                p |= static_cast<std::uint32_t>(std::clamp(v, 0L, 255L)) << (8 * k);
            }
            out.pixels.push_back(p);
        }
    }
    return out;
}
