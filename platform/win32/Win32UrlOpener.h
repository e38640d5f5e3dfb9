#pragma once

#include "main_window/UrlOpener.h"

// The system's handler for web addresses (ShellExecute "open"); no console window.
class Win32UrlOpener : public UrlOpener {
  public:
    bool open(const std::string& url) override;
};
