#include "platform/posix/IniProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string_view>
#include <vector>

// Decisions for files this code did not write itself:
// - A file larger than kMaxFileSize, one holding a NUL byte, or anything that is not a regular file
//   (directory, pipe, device) cannot be read: a read gives the fallback.
// - A write replaces a regular file that is no profile text (zero-filled after a power loss, say)
//   with a fresh one, so a damaged file does not stop the colour from ever being kept again. It
//   refuses to touch anything that is not a regular file.
// - Only the first section with a matching name counts, and in it only the first matching key.
// - A write to a symbolic link edits the file the link points to; the link itself stays.

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{1} << 20;
constexpr int kMaxLinkHops = 40;

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

// One line of the file: its text and the line end that followed it ("\n", "\r\n" or none).
struct Line {
    std::string_view text;
    std::string_view end;
};

std::vector<Line> splitLines(std::string_view content) {
    std::vector<Line> lines;
    std::size_t start = 0;
    while (start < content.size()) {
        const std::size_t newline = content.find('\n', start);
        if (newline == std::string_view::npos) {
            lines.push_back({content.substr(start), {}});
            break;
        }
        std::size_t textEnd = newline;
        if (textEnd > start && content[textEnd - 1] == '\r') {
            --textEnd;
        }
        lines.push_back({content.substr(start, textEnd - start),
                         content.substr(textEnd, newline + 1 - textEnd)});
        start = newline + 1;
    }
    return lines;
}

// The name of a section header line, or nullopt when the line is none.
std::optional<std::string_view> sectionName(std::string_view text) {
    text = trimBlanks(text);
    if (text.empty() || text.front() != '[') {
        return std::nullopt;
    }
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trimBlanks(text.substr(1, close - 1));
}

// A line names the key with or without '=': a bare key has no value, yet it hides a later line
// with one, as it does in the system's own profile functions.
bool keyMatches(std::string_view text, std::string_view key) {
    return equalsIgnoringCase(trimBlanks(text.substr(0, text.find('='))), key);
}

// The value of a key line: the text after the first '=' without blanks around it and without one
// pair of matching quotes around it, so that a file written on Windows reads the same here.
// nullopt for a bare key.
std::optional<std::string> valueOf(std::string_view text) {
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        return std::nullopt;
    }
    std::string_view value = trimBlanks(text.substr(eq + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

// Where a key sits: the section header's line and the key's line (nullopt when either is missing),
// and the first line after the section.
struct Location {
    std::optional<std::size_t> header;
    std::optional<std::size_t> keyLine;
    std::size_t sectionEnd = 0;
};

Location locate(const std::vector<Line>& lines, std::string_view section, std::string_view key) {
    Location where;
    std::size_t i = 0;
    for (; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i].text);
        if (name && equalsIgnoringCase(*name, section)) {
            where.header = i;
            break;
        }
    }
    if (!where.header) {
        return where;
    }
    for (++i; i < lines.size(); ++i) {
        if (sectionName(lines[i].text)) {
            break;
        }
        if (!where.keyLine && keyMatches(lines[i].text, key)) {
            where.keyLine = i;
        }
    }
    where.sectionEnd = i;
    return where;
}

enum class ReadResult { Ok, Missing, Junk, Unusable };

// Reads a whole profile file, refusing anything that is not a small regular text file. O_NONBLOCK
// keeps open() from waiting on a named pipe.
ReadResult readProfileText(const std::string& path, std::string& content, struct stat* info) {
    content.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        return errno == ENOENT ? ReadResult::Missing : ReadResult::Unusable;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ReadResult::Unusable;
    }
    // st_size is not trusted (files in /proc report 0): read until the end or one piece past the
    // cap.
    std::string buffer;
    bool failed = false;
    char chunk[64 * 1024];
    while (buffer.size() <= kMaxFileSize) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            failed = true;
            break;
        }
        if (n == 0) {
            break;
        }
        buffer.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (failed) {
        return ReadResult::Unusable;
    }
    if (info != nullptr) {
        *info = st;
    }
    if (buffer.size() > kMaxFileSize || buffer.find('\0') != std::string::npos) {
        return ReadResult::Junk;
    }
    content = std::move(buffer);
    return ReadResult::Ok;
}

bool validName(std::string_view name, char forbidden) {
    return !trimBlanks(name).empty() && name.find_first_of("\r\n") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos &&
           name.find(forbidden) == std::string_view::npos;
}

// The file's text with the key set to value; every other line is kept byte for byte. New lines take
// the line end the file already uses.
std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view value) {
    const std::vector<Line> lines = splitLines(content);
    std::string_view eol = "\n";
    for (const Line& line : lines) {
        if (!line.end.empty()) {
            eol = line.end;
            break;
        }
    }
    const Location where = locate(lines, section, key);

    std::string out;
    out.reserve(content.size() + section.size() + key.size() + value.size() + 8);
    auto append = [&out](const Line& line) {
        out.append(line.text);
        out.append(line.end);
    };

    if (!where.header) {
        out.append(content);
        if (!out.empty() && out.back() != '\n') {
            out.append(eol);
        }
        out.append("[").append(section).append("]").append(eol);
        out.append(key).append("=").append(value).append(eol);
        return out;
    }

    if (where.keyLine) {
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (i != *where.keyLine) {
                append(lines[i]);
                continue;
            }
            // Keep the key as it was spelt, and the blanks around '='.
            std::string_view text = lines[i].text;
            const std::size_t eq = text.find('=');
            if (eq == std::string_view::npos) {
                while (!text.empty() && isBlank(text.back())) {
                    text.remove_suffix(1);
                }
                out.append(text).append("=").append(value).append(lines[i].end);
                continue;
            }
            std::size_t valueStart = eq + 1;
            while (valueStart < text.size() && isBlank(text[valueStart])) {
                ++valueStart;
            }
            out.append(text.substr(0, valueStart)).append(value).append(lines[i].end);
        }
        return out;
    }

    // A new key goes after the section's last non-blank line, before any blank lines that part it
    // from the next section.
    std::size_t insertAfter = *where.header;
    for (std::size_t i = *where.header + 1; i < where.sectionEnd; ++i) {
        if (!trimBlanks(lines[i].text).empty()) {
            insertAfter = i;
        }
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        append(lines[i]);
        if (i == insertAfter) {
            if (lines[i].end.empty()) {
                out.append(eol);
            }
            out.append(key).append("=").append(value).append(eol);
        }
    }
    return out;
}

// Follows symbolic links to the file they name, so that a write edits that file and keeps the
// link. A dangling link leads to the path where the file will be created.
std::optional<std::string> resolveLinks(std::string path) {
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) {
            return errno == ENOENT ? std::optional<std::string>(path) : std::nullopt;
        }
        if (!S_ISLNK(st.st_mode)) {
            return path;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::size_t slash = path.rfind('/');
            if (slash != std::string::npos) {
                target = path.substr(0, slash + 1) + target;
            }
        }
        path = std::move(target);
    }
    return std::nullopt;
}

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// mkdir -p; directories made here are private to the user.
bool makeDirectories(const std::string& dir) {
    struct stat st {};
    if (::stat(dir.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    if (errno != ENOENT) {
        return false;
    }
    const std::string parent = directoryOf(dir);
    if (parent != dir && !makeDirectories(parent)) {
        return false;
    }
    return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

// Asking with umask() would change it for a moment under every other thread; /proc says it safely.
mode_t currentUmask() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("Umask:", 0) == 0) {
            return static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
        }
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

bool writeAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes content to a new file beside target and renames it over target, so that a reader sees
// either the old file or the new one, never a part of either.
bool replaceFile(const std::string& target, std::string_view content, mode_t mode,
                 const struct stat* owner) {
    const std::string dir = directoryOf(target);
    const std::size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";

    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    bool ok = writeAll(fd, content) && ::fchmod(fd, mode) == 0;
    if (ok && owner != nullptr && (owner->st_uid != ::geteuid() || owner->st_gid != ::getegid())) {
        // Keeps the owner when root edits a user's file; an ordinary user cannot, and that is fine.
        [[maybe_unused]] const int ignored = ::fchown(fd, owner->st_uid, owner->st_gid);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself is only durable once the directory is on disk; the new file is in place
    // either way, so a failure here is not reported.
    const int dirFd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace

std::string IniProfileFile::read(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& fallback) {
    std::string content;
    if (readProfileText(path, content, nullptr) != ReadResult::Ok) {
        return fallback;
    }
    const std::vector<Line> lines = splitLines(content);
    const Location where = locate(lines, section, key);
    if (!where.keyLine) {
        return fallback;
    }
    return valueOf(lines[*where.keyLine].text).value_or(fallback);
}

bool IniProfileFile::write(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& value) {
    if (path.empty() || !validName(section, ']') || !validName(key, '=') ||
        trimBlanks(key).front() == '[' || value.find_first_of("\r\n") != std::string::npos ||
        value.find('\0') != std::string::npos) {
        return false;
    }
    const std::optional<std::string> target = resolveLinks(path);
    if (!target || !makeDirectories(directoryOf(*target))) {
        return false;
    }

    std::string content;
    struct stat info {};
    const ReadResult existing = readProfileText(*target, content, &info);
    if (existing == ReadResult::Unusable) {
        return false;
    }
    if (existing == ReadResult::Junk) {
        return replaceFile(*target, withValue("", section, key, value), info.st_mode & 07777,
                           &info);
    }
    const std::string updated = withValue(content, section, key, value);
    if (updated.size() > kMaxFileSize) {
        return false;
    }
    if (existing == ReadResult::Ok) {
        if (updated == content) {
            return true;
        }
        return replaceFile(*target, updated, info.st_mode & 07777, &info);
    }
    return replaceFile(*target, updated, 0644 & ~currentUmask(), nullptr);
}
