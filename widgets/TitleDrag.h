#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class Control;
class QWidget;
class WindowDrag;

// Moves a borderless window by its title strip. The window manager does the move where it will;
// where it will not (no window manager), the window follows the pointer until the button is
// released.
class TitleDrag : public QObject {
    Q_OBJECT
  public:
    explicit TitleDrag(WindowDrag& drag) : drag_(drag) {}

    // Makes `handle` a drag handle: its button presses go to the window's own handler `onDown`,
    // and its pointer moves feed the fallback follow.
    void attach(Control* handle, std::function<void(int button)> onDown);
    // A button went down on a drag handle: only the left button (1) moves the window.
    void mouseDown(QWidget* window, int button);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    WindowDrag& drag_;
    QWidget* window_ = nullptr;
    QPoint offset_;
};
