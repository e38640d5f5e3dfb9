// Writes the bash, zsh and fish completions of `dimwarden`, from its command table, into the
// folder given: dimwarden, _dimwarden and dimwarden.fish.
#include <cstdio>
#include <fstream>
#include <string>

#include "control/CommandTable.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: dimwarden_completions FOLDER\n", stderr);
        return 2;
    }
    const std::string folder = argv[1];
    const std::pair<const char*, std::string> files[] = {
        {"/dimwarden", control::bashCompletion()},
        {"/_dimwarden", control::zshCompletion()},
        {"/dimwarden.fish", control::fishCompletion()},
    };
    for (const auto& [name, text] : files) {
        std::ofstream out(folder + name, std::ios::binary | std::ios::trunc);
        if (!(out << text) || !out.flush()) {
            std::fprintf(stderr, "dimwarden_completions: cannot write %s%s\n", folder.c_str(),
                         name);
            return 1;
        }
    }
    return 0;
}
