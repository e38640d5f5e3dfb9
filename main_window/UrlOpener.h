#pragma once

#include <QString>

// Hands a web address to the desktop's default handler, without a console window.
class UrlOpener {
  public:
    virtual ~UrlOpener() = default;
    virtual bool open(const QString& url) = 0;
};
