#include "platform/qt/QtWindowDrag.h"

#include <QWidget>
#include <QWindow>

bool QtWindowDrag::startMove(QWidget* window) {
    QWindow* handle = window ? window->windowHandle() : nullptr;
    return handle != nullptr && handle->startSystemMove();
}
