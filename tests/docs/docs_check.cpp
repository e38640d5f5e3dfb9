// Holds the README, the pages in docs/ and the manual page against what they describe: every
// relative link leads to a file (and a heading, for #anchors), every `dimwarden --...` example
// is a command line the tool's own parser takes, and every command and bus property of the
// command table is documented on the commands page, the bus page and the manual page, which
// document nothing else.
//
//   docs_check SOURCE_DIR
//
// Prints one line per fault and exits 1 when there is one.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "control/Command.h"
#include "control/CommandTable.h"

namespace fs = std::filesystem;

namespace {

int faults = 0;

void fault(const fs::path& file, std::size_t line, const std::string& what) {
    std::printf("%s:%zu: %s\n", file.string().c_str(), line, what.c_str());
    ++faults;
}

std::vector<std::string> linesOf(const fs::path& file) {
    std::ifstream in(file);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool fence(const std::string& line) {
    const auto start = line.find_first_not_of(' ');
    return start != std::string::npos && line.compare(start, 3, "```") == 0;
}

// The anchor a heading gets on the usual Markdown hosts: lower case, punctuation dropped,
// blanks as hyphens; letters beyond ASCII stay.
std::string slug(const std::string& heading) {
    std::string out;
    for (unsigned char c : heading) {
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c - 'A' + 'a');
        } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                   c >= 0x80) {
            out += static_cast<char>(c);
        } else if (c == ' ') {
            out += '-';
        }
    }
    return out;
}

std::set<std::string> anchorsOf(const fs::path& file) {
    std::set<std::string> anchors;
    std::map<std::string, int> seen;
    bool code = false;
    for (const std::string& line : linesOf(file)) {
        code = code != fence(line);
        if (code || line.empty() || line[0] != '#') {
            continue;
        }
        const std::string base = slug(line.substr(line.find_first_not_of('#')).substr(1));
        const int n = seen[base]++;
        anchors.insert(n == 0 ? base : base + "-" + std::to_string(n));
    }
    return anchors;
}

void checkLinks(const fs::path& file, const std::vector<std::string>& lines) {
    bool code = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        code = code != fence(lines[i]);
        if (code) {
            continue;
        }
        for (auto at = lines[i].find("]("); at != std::string::npos;
             at = lines[i].find("](", at + 2)) {
            const auto end = lines[i].find(')', at);
            if (end == std::string::npos) {
                fault(file, i + 1, "a link without its closing parenthesis");
                continue;
            }
            const std::string target = lines[i].substr(at + 2, end - at - 2);
            if (target.rfind("https:", 0) == 0 || target.rfind("http:", 0) == 0 ||
                target.rfind("mailto:", 0) == 0) {
                continue;
            }
            const auto hash = target.find('#');
            const std::string path = target.substr(0, hash);
            const fs::path to = path.empty() ? file : file.parent_path() / path;
            if (!fs::exists(to)) {
                fault(file, i + 1, "link to " + target + ": no such file");
            } else if (hash != std::string::npos && !anchorsOf(to).count(target.substr(hash + 1))) {
                fault(file, i + 1, "link to " + target + ": no such heading");
            }
        }
    }
}

// The words of a shell command line from `from`, up to the end of the line, of its code span,
// or the first unquoted comment, pipe or list operator. An unclosed quote ends it too: the
// command sits inside quotes of another command ("exec": "dimwarden --watch").
std::vector<std::string> shellWords(const std::string& text) {
    std::vector<std::string> words;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && text[i] == ' ') {
            ++i;
        }
        if (i == text.size() || text[i] == '#' ||
            std::string("|;&)<>").find(text[i]) != std::string::npos) {
            break;
        }
        std::string word;
        bool closed = true;
        while (i < text.size() && text[i] != ' ') {
            if (text[i] == '\'' || text[i] == '"') {
                const auto close = text.find(text[i], i + 1);
                if (close == std::string::npos) {
                    closed = false;
                    break;
                }
                word += text.substr(i + 1, close - i - 1);
                i = close + 1;
            } else if (std::string("|;&)<>").find(text[i]) != std::string::npos) {
                break;
            } else {
                word += text[i++];
            }
        }
        if (!word.empty()) {
            words.push_back(word);
        }
        if (!closed || (i < text.size() && text[i] != ' ')) {
            break;
        }
    }
    return words;
}

// A documented command line: one command the parser takes, or --help or --version.
void checkCommandLine(const fs::path& file, std::size_t line,
                      const std::vector<std::string>& args) {
    const control::ParsedCommandLine parsed = control::takeCommand(args);
    const bool own = !parsed.command && parsed.rest.size() == 1 &&
                     (parsed.rest[0] == "--help" || parsed.rest[0] == "--version");
    if (parsed.error.empty() && (own || (parsed.command && parsed.rest.empty()))) {
        return;
    }
    std::string joined;
    for (const std::string& arg : args) {
        joined += " " + arg;
    }
    fault(file, line,
          "dimwarden" + joined + ": " + (parsed.error.empty() ? "not a command" : parsed.error));
}

void checkExamples(const fs::path& file, const std::vector<std::string>& lines, int& count) {
    static const std::string kProgram = "dimwarden --";
    bool code = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (fence(line)) {
            code = !code;
            continue;
        }
        for (auto at = line.find(kProgram); at != std::string::npos;
             at = line.find(kProgram, at + 1)) {
            const char before = at == 0 ? ' ' : line[at - 1];
            if (std::isalnum(static_cast<unsigned char>(before)) || before == '_' ||
                before == '-' || before == '.') {
                continue;
            }
            std::string rest = line.substr(at + kProgram.size() - 2);
            // Outside a code block the example is a code span: it ends with the span.
            if (!code && std::count(line.begin(), line.begin() + static_cast<long>(at), '`') % 2) {
                rest = rest.substr(0, rest.find('`'));
            }
            checkCommandLine(file, i + 1, shellWords(rest));
            ++count;
        }
    }
}

template <class T>
std::string listed(const std::set<T>& items) {
    std::ostringstream out;
    for (const T& item : items) {
        out << " " << item;
    }
    return out.str();
}

void sameSet(const fs::path& file, const char* what, const std::set<std::string>& documented,
             const std::set<std::string>& table) {
    std::set<std::string> missing, extra;
    std::set_difference(table.begin(), table.end(), documented.begin(), documented.end(),
                        std::inserter(missing, missing.end()));
    std::set_difference(documented.begin(), documented.end(), table.begin(), table.end(),
                        std::inserter(extra, extra.end()));
    if (!missing.empty()) {
        fault(file, 0,
              std::string(what) + " of the command table not documented:" + listed(missing));
    }
    if (!extra.empty()) {
        fault(file, 0,
              std::string(what) + " documented but not in the command table:" + listed(extra));
    }
}

// The first code span of a table row that starts with one: "| `--color '#FF8000'` | ...".
std::string firstCell(const std::string& line, const std::string& prefix) {
    if (line.rfind("| `" + prefix, 0) != 0) {
        return {};
    }
    return line.substr(3, line.find('`', 3) - 3);
}

// The option of each item of the manual page's COMMANDS (each once), and the bold words of its
// D-BUS INTERFACE.
std::set<std::string> manSection(const fs::path& man, const std::vector<std::string>& lines,
                                 const std::string& name, bool itemsOnly) {
    std::set<std::string> words;
    bool in = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(".SH ", 0) == 0) {
            in = lines[i] == ".SH " + name;
            continue;
        }
        if (!in || (itemsOnly && (i == 0 || lines[i - 1] != ".TP"))) {
            continue;
        }
        std::istringstream words_of(lines[i]);
        std::string macro, word;
        if (words_of >> macro >> word && (macro == ".B" || macro == ".BI" || macro == ".BR")) {
            for (auto at = word.find("\\-"); at != std::string::npos; at = word.find("\\-")) {
                word.erase(at, 1);
            }
            if (!words.insert(word.substr(0, word.find('('))).second && itemsOnly) {
                fault(man, i + 1, word + " is documented twice");
            }
        }
    }
    return words;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: docs_check SOURCE_DIR\n", stderr);
        return 2;
    }
    const fs::path source = argv[1];
    std::vector<fs::path> pages{source / "README.md"};
    for (const auto& entry : fs::directory_iterator(source / "docs")) {
        if (entry.path().extension() == ".md") {
            pages.push_back(entry.path());
        }
    }
    int examples = 0;
    for (const fs::path& page : pages) {
        const std::vector<std::string> lines = linesOf(page);
        checkLinks(page, lines);
        checkExamples(page, lines, examples);
    }

    std::set<std::string> options, properties;
    for (const control::CommandRow& row : control::commandRows()) {
        options.insert(std::string(row.option));
    }
    for (const control::FieldRow& row : control::fieldRows()) {
        properties.insert(std::string(row.name) + " " + std::string(control::busType(row.type)) +
                          (row.write != nullptr ? " read-write" : " read-only"));
    }

    // Each row of the commands page is an example too: `--brightness 20`.
    std::set<std::string> commandsPage;
    const std::vector<std::string> commandLines = linesOf(source / "docs/commands.md");
    for (std::size_t i = 0; i < commandLines.size(); ++i) {
        if (const std::string cell = firstCell(commandLines[i], "--"); !cell.empty()) {
            commandsPage.insert(cell.substr(0, cell.find(' ')));
            checkCommandLine(source / "docs/commands.md", i + 1, shellWords(cell));
            ++examples;
        }
    }
    sameSet(source / "docs/commands.md", "commands", commandsPage, options);

    std::set<std::string> busPage;
    for (const std::string& line : linesOf(source / "docs/bus.md")) {
        const std::string name = firstCell(line, "");
        const auto type = line.find("| property `");
        if (!name.empty() && type != std::string::npos) {
            const auto start = type + 12;
            const auto end = line.find('`', start);
            busPage.insert(name + " " + line.substr(start, end - start) +
                           line.substr(end + 2, line.find(" |", end) - end - 2));
        }
    }
    sameSet(source / "docs/bus.md", "properties", busPage, properties);

    const fs::path man = source / "dist/dimwarden.1";
    const std::vector<std::string> manLines = linesOf(man);
    std::set<std::string> manCommands = manSection(man, manLines, "COMMANDS", true);
    manCommands.erase("--json");  // a modifier of --status and --watch, not a command
    sameSet(man, "commands", manCommands, options);
    const std::set<std::string> manBus = manSection(man, manLines, "D-BUS INTERFACE", false);
    for (const control::FieldRow& row : control::fieldRows()) {
        if (!manBus.count(std::string(row.name))) {
            fault(man, 0, "D-BUS INTERFACE does not name the property " + std::string(row.name));
        }
    }

    std::printf("%zu pages, %d command examples, %zu commands, %zu properties: %d faults\n",
                pages.size(), examples, options.size(), properties.size(), faults);
    return faults == 0 ? 0 : 1;
}
