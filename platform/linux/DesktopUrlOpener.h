#pragma once

#include "main_window/UrlOpener.h"

// The desktop's default handler for web addresses; nothing is waited for, no console is shown.
class DesktopUrlOpener : public UrlOpener {
  public:
    bool open(const std::string& url) override;
};
