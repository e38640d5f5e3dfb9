#include "platform/linux/QtWindowDrag.h"

#include <QGuiApplication>
#include <QWindow>

bool QtWindowDrag::startMove(NativeWindow window) {
    for (QWindow* w : QGuiApplication::topLevelWindows()) {
        if (w->handle() != nullptr && static_cast<NativeWindow>(w->winId()) == window) {
            return w->startSystemMove();
        }
    }
    return false;
}
