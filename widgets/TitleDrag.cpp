#include "widgets/TitleDrag.h"

#include <QCursor>
#include <QMouseEvent>
#include <QWidget>

#include "widgets/Controls.h"
#include "widgets/WindowDrag.h"

void TitleDrag::attach(Control* handle, std::function<void(int button)> onDown) {
    connect(handle, &Control::MouseDown, this,
            [onDown = std::move(onDown)](int button, int, float, float) { onDown(button); });
    handle->installEventFilter(this);
}

void TitleDrag::mouseDown(QWidget* window, int button) {
    if (button != 1) {
        return;
    }
    if (drag_.startMove(window)) {
        return;
    }
    window_ = window;
    offset_ = QCursor::pos() - window->pos();
}

bool TitleDrag::eventFilter(QObject* watched, QEvent* event) {
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
