#pragma once

#include <optional>
#include <set>
#include <string>

class ProfileFile;

namespace settings {

// The outputs the user keeps untinted, by the names the system gives them. They live in a section
// of their own beside [Setting], so a file without them, or a reader that knows only the colour,
// sees nothing new:
//
//   [Untinted]
//   count=2
//   name1=DP-1
//   name2=HDMI%20A%C3%A9
//
// A name is stored as its bytes with every byte outside printable ASCII, and every character that
// a profile reader trims, unquotes or takes for syntax (blank, quote, '%', ';', '#', '=', '[',
// ']'), written as %XX (two hexadecimal digits), so any name reads back exactly on every backend.
using OutputNames = std::set<std::string>;

// More names than anyone unchecks; a larger count marks a damaged section.
constexpr std::size_t MaxUntintedOutputs = 256;

std::string encodeOutputName(const std::string& name);
// Nothing when the text is no name that encodeOutputName could have written.
std::optional<std::string> decodeOutputName(const std::string& text);

// The remembered names; none when the file has none, or when the section is damaged (a count that
// is no plain number within bounds, a name missing, empty or badly escaped), so a bad hand edit
// only tints every output again.
OutputNames LoadUntintedOutputs(ProfileFile& profile, const std::string& WinPath);

// Replaces the stored names; true when every write was kept. Names that cannot be stored whole
// (empty, or too long for a profile value) are left out, and false is returned.
bool SaveUntintedOutputs(ProfileFile& profile, const std::string& WinPath,
                         const OutputNames& names);

}  // namespace settings
