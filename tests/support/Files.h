#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

// Whole files as bytes, for tests that look at what a write left behind or prepare what a read
// will find. Reading a file that cannot be opened gives an empty string.

inline std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeBytes(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
