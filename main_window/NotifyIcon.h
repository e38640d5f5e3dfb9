#pragma once

#include <QIcon>
#include <QString>
#include <functional>

// One icon in the desktop's notification area, reporting the clicks made on it.
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
    // Adding an icon that is already there changes nothing.
    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;

    std::function<void(Click)> onClick;
};
