#include "platform/linux/IniProfileFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

// Decisions for files this code did not write itself:
// - A file larger than kMaxFileSize, one holding a NUL byte, or anything that is not a regular file
//   (directory, pipe, device) cannot be read: a read gives the fallback. The cap is far above any
//   real settings file, so a user's large file with other sections is still read.
// - A write never throws away content it could not read. It replaces only a regular file that
//   holds no text at all (zero-filled after a power loss), so such a file does not stop the colour
//   from ever being kept again; any other unreadable file is left as it is and the write fails.
// - A UTF-8 byte-order mark at the start is skipped when reading and kept when rewriting.
// - Only the first section with a matching name counts, and in it only the first matching key.
// - A write to a symbolic link edits the file the link points to and keeps the link, as long as
//   the links and the file belong to the user: dotfile managers link settings files. It never
//   writes into another user's file, and a dangling link's target is created only in a folder
//   that already exists inside the settings folder. Root owns every system file, so for root a
//   link is followed only to a file inside the settings folder.

namespace {

constexpr std::size_t kMaxFileSize = std::size_t{16} << 20;
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
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

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
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

// Junk: a regular file that cannot be read as text. Blank: one that holds nothing but NUL bytes.
enum class ReadResult { Ok, Missing, Junk, Blank, Unusable };

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
    if (buffer.size() <= kMaxFileSize && !buffer.empty() &&
        buffer.find_first_not_of('\0') == std::string::npos) {
        return ReadResult::Blank;
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

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The path with every symbolic link and "." or ".." resolved, or nullopt when it does not exist.
std::optional<std::string> realPath(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
    return real ? std::optional<std::string>(real.get()) : std::nullopt;
}

// Whether `file` sits in `folder` or in a folder below it; false when either cannot be resolved.
bool insideFolder(const std::string& file, const std::string& folder) {
    const auto dir = realPath(directoryOf(file));
    const auto top = realPath(folder);
    return dir && top && (*dir == *top || dir->rfind(*top == "/" ? *top : *top + "/", 0) == 0);
}

// Where a write to `path` goes: `path` itself, or the file its symbolic links lead to, so that the
// write edits that file and keeps the links. nullopt when the links may not be followed (the
// reason, for the user, in `refusal`) or cannot be read (no reason: a quiet failure).
std::optional<std::string> writeTarget(const std::string& path, std::string& refusal) {
    const uid_t me = ::geteuid();
    const std::string folder = directoryOf(path);
    std::string at = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        const bool exists = ::lstat(at.c_str(), &st) == 0;
        if (!exists && errno != ENOENT) {
            return std::nullopt;
        }
        if (hop == 0 && (!exists || !S_ISLNK(st.st_mode))) {
            return at;
        }
        if (exists && st.st_uid != me) {
            refusal = path + " leads to " + at + ", which belongs to another user";
            return std::nullopt;
        }
        if (!exists) {
            if (!realPath(directoryOf(at))) {
                refusal = path + " is a link to " + at + ", whose folder does not exist";
                return std::nullopt;
            }
            if (!insideFolder(at, folder)) {
                refusal = path + " is a dangling link to " + at + ", outside " + folder;
                return std::nullopt;
            }
            return at;
        }
        if (!S_ISLNK(st.st_mode)) {
            if (me == 0 && !insideFolder(at, folder)) {
                refusal = path + " links to " + at + ", outside " + folder + ", and root owns it";
                return std::nullopt;
            }
            return at;
        }
        std::string target(PATH_MAX, '\0');
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) {
            return std::nullopt;
        }
        target.resize(static_cast<std::size_t>(n));
        if (target.front() != '/') {
            const std::size_t slash = at.rfind('/');
            if (slash != std::string::npos) {
                target = at.substr(0, slash + 1) + target;
            }
        }
        at = std::move(target);
    }
    refusal = path + " is a chain of too many links";
    return std::nullopt;
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
                 const struct stat* owner, bool sync) {
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
    ok = ok && (!sync || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    // The rename itself is only durable once the directory is on disk; the new file is in place
    // either way, so a failure here is not reported.
    const int dirFd = sync ? ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}

}  // namespace

std::string IniProfileFile::read(const std::string& path, const std::string& section,
                                 const std::string& key, const std::string& fallback) {
    return readKeys(path, section, {key}, fallback).front();
}

std::vector<std::string> IniProfileFile::readKeys(const std::string& path,
                                                  const std::string& section,
                                                  const std::vector<std::string>& keys,
                                                  const std::string& fallback) {
    std::vector<std::string> values(keys.size(), fallback);
    std::string content;
    if (readProfileText(path, content, nullptr) != ReadResult::Ok) {
        return values;
    }
    std::string_view text = content;
    if (text.starts_with(kUtf8Bom)) {
        text.remove_prefix(kUtf8Bom.size());
    }
    // The keys asked for, by their names in lower case; each takes the first line naming it.
    std::map<std::string, std::vector<std::size_t>, std::less<>> wanted;
    for (std::size_t n = 0; n < keys.size(); ++n) {
        wanted[lowerCase(trimBlanks(keys[n]))].push_back(n);
    }
    const std::vector<Line> lines = splitLines(text);
    const Location where = locate(lines, section, {});
    if (!where.header) {
        return values;
    }
    for (std::size_t i = *where.header + 1; i < where.sectionEnd && !wanted.empty(); ++i) {
        const std::string_view line = lines[i].text;
        const auto it = wanted.find(lowerCase(trimBlanks(line.substr(0, line.find('=')))));
        if (it == wanted.end()) {
            continue;
        }
        if (const auto value = valueOf(line)) {
            for (const std::size_t n : it->second) {
                values[n] = *value;
            }
        }
        wanted.erase(it);
    }
    return values;
}

bool IniProfileFile::write(const std::string& path, const std::string& section,
                           const std::string& key, const std::string& value) {
    return writeSection(path, section, {{key, value}});
}

bool IniProfileFile::writeSection(const std::string& path, const std::string& section,
                                  const Entries& entries) {
    if (path.empty() || !validName(section, ']')) {
        return false;
    }
    for (const auto& [key, value] : entries) {
        if (!validName(key, '=') || trimBlanks(key).front() == '[' ||
            value.find_first_of("\r\n") != std::string::npos ||
            value.find('\0') != std::string::npos) {
            return false;
        }
    }
    const std::string what = settings::sectionKeeps(section);
    std::string refusal;
    const std::optional<std::string> target = writeTarget(path, refusal);
    if (!target) {
        refuse(what, refusal);
        return false;
    }
    if (*target == path && !makeDirectories(directoryOf(path))) {
        return false;
    }

    std::string content;
    struct stat info {};
    const ReadResult existing = readProfileText(*target, content, &info);
    if (existing == ReadResult::Unusable) {
        return false;
    }
    if (existing == ReadResult::Junk) {
        refuse(what, *target + " holds data that is not settings text; it is left as it is");
        return false;
    }
    // Every write is in the file before it returns, so a kill keeps it; the flush to disk that
    // outlives a power cut comes at most once a second, so a burst of changes costs no more.
    const auto now = std::chrono::steady_clock::now();
    const auto last = synced_.find(*target);
    const bool due = last == synced_.end() || now - last->second >= std::chrono::seconds(1);
    const auto replace = [&](std::string_view text, mode_t mode, const struct stat* owner) {
        if (due) {
            synced_[*target] = now;
        }
        return replaceFile(*target, text, mode, owner, due);
    };
    // The byte-order mark is no part of the first line; it stays where it was.
    std::string_view text = existing == ReadResult::Blank ? std::string_view() : content;
    const bool bom = text.starts_with(kUtf8Bom);
    if (bom) {
        text.remove_prefix(kUtf8Bom.size());
    }
    std::string updated(text);
    for (const auto& [key, value] : entries) {
        updated = withValue(updated, section, key, value);
    }
    if (bom) {
        updated.insert(0, kUtf8Bom);
    }
    if (existing == ReadResult::Blank) {
        return replace(updated, info.st_mode & 07777, &info);
    }
    if (updated.size() > kMaxFileSize) {
        return false;
    }
    if (existing == ReadResult::Ok) {
        if (updated == content) {
            return true;
        }
        return replace(updated, info.st_mode & 07777, &info);
    }
    return replace(updated, 0644 & ~currentUmask(), nullptr);
}

void IniProfileFile::refuse(const std::string& what, const std::string& why) {
    if (!why.empty() && told_.insert(what + why).second) {
        std::fprintf(stderr, "dimwarden: %s is not kept: %s\n", what.c_str(), why.c_str());
    }
}
