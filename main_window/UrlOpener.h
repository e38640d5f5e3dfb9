#pragma once

#include <string>

// Hands a web address to the desktop's default handler, without a console window.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    virtual bool open(const std::string& url) = 0;
};
