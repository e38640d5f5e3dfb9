#include "views/qt/PointerFollow.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWidget>

void PointerFollow::watch(QWidget* handle) {
    handle->installEventFilter(this);
}

void PointerFollow::start(QWidget* window) {
    window_ = window;
    offset_ = QCursor::pos() - window->pos();
}

bool PointerFollow::eventFilter(QObject* watched, QEvent* event) {
    if (window_ == nullptr) {
        return QObject::eventFilter(watched, event);
    }
    if (event->type() == QEvent::MouseMove) {
        const auto* me = static_cast<QMouseEvent*>(event);
        if (me->buttons() & Qt::LeftButton) {
            window_->move(me->globalPosition().toPoint() - offset_);
        } else {
            window_ = nullptr;
        }
    } else if (event->type() == QEvent::MouseButtonRelease) {
        window_ = nullptr;
    }
    return QObject::eventFilter(watched, event);
}
