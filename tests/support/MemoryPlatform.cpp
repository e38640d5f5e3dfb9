#include "support/MemoryPlatform.h"

std::string MemoryProfileFile::read(const std::string& path, const std::string& section,
                                    const std::string& key, const std::string& fallback) {
    ++reads;
    const auto it = values.find({path, section, key});
    return it == values.end() ? fallback : it->second;
}

bool MemoryProfileFile::write(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& value) {
    ++writes;
    if (refuseWrite) {
        return false;
    }
    values[{path, section, key}] = value;
    return true;
}

bool MemoryProfileFile::writeSection(const std::string& path, const std::string& section,
                                     const Entries& entries) {
    ++writes;
    if (refuseWrite) {
        return false;
    }
    for (const auto& [key, value] : entries) {
        values[{path, section, key}] = value;
    }
    return true;
}

void MemoryNotifyIcon::add(const std::string& t) {
    ++adds;
    shown = true;
    tip = t;
}

void MemoryNotifyIcon::remove() {
    ++removes;
    shown = false;
}

void MemoryNotifyIcon::fire(Click click) {
    if (onClick) {
        onClick(click);
    }
}
