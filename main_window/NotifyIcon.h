#pragma once

#include <QIcon>
#include <QString>
#include <functional>

// One icon in the desktop's notification area. Its pointer events reach the owner as the
// mouse-message codes the main window decodes (0x200 move, 0x201 left press, 0x204 right press...)
// together with the button mask of the event (1 left, 2 right, 4 middle).
class NotifyIcon {
  public:
    enum Code : int {
        MouseMove = 0x200,
        LeftDown = 0x201,
        LeftUp = 0x202,
        LeftDouble = 0x203,
        RightDown = 0x204,
        RightUp = 0x205,
        MiddleDown = 0x207,
    };

    virtual ~NotifyIcon() = default;

    // Whether a notification area exists right now to show an icon in.
    virtual bool available() = 0;
    // Adding an icon that is already there changes nothing.
    virtual void add(const QIcon& icon, const QString& tip) = 0;
    virtual void remove() = 0;

    std::function<void(int button, int code)> onEvent;
};
