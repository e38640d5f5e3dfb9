#pragma once

#include <functional>
#include <string>

// One icon in the desktop's notification area, showing the program's own icon and reporting the
// clicks made on it.
class NotifyIcon {
  public:
    enum class Click {
        LeftPress,
        DoubleClick,
        RightPress,
        MiddlePress,
    };

    virtual ~NotifyIcon() = default;

    // Whether a notification area exists right now to show an icon in.
    virtual bool available() = 0;
    // Adding an icon that is already there changes nothing. `tip` is UTF-8.
    virtual void add(const std::string& tip) = 0;
    virtual void remove() = 0;

    std::function<void(Click)> onClick;
};
