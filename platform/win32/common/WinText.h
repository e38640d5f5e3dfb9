#pragma once

#include <string>

// The program keeps text as UTF-8; Windows' wide calls take UTF-16.
namespace win {

std::wstring toWide(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);

}  // namespace win
