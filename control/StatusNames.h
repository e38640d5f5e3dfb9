#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Output names in the status a script reads: a name may hold any byte, yet a status line stays
// one line of space-separated tokens and the JSON stays JSON.
namespace control {

// Space, comma, '%', '=' and control bytes as %XX (upper-case hex); every other byte, UTF-8
// included, as it is.
std::string escapeStatusName(std::string_view name);
// Names escaped and joined by commas ("DP-1,My%20TV"); empty for none.
std::string joinStatusNames(const std::vector<std::string>& names);
// The other way round; nothing for text that no escaping gives (a bad %XX, an empty name).
std::optional<std::vector<std::string>> splitStatusNames(std::string_view text);

// `text` as a JSON string literal, quotes included: '"', '\' and control bytes escaped, and a
// byte that is not part of sound UTF-8 as U+FFFD, so a parser always takes the line.
std::string jsonString(std::string_view text);

}  // namespace control
