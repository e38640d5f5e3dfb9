#pragma once

#include <QObject>
#include <QPoint>

class QWidget;
class WindowDrag;

// Moves a borderless window by its title strip. The window manager does the move where it will;
// where it will not (no window manager), the window follows the pointer until the button is
// released.
class TitleDrag : public QObject {
    Q_OBJECT
  public:
    explicit TitleDrag(WindowDrag& drag) : drag_(drag) {}

    // The strips that start a drag report their pointer moves here for the fallback follow.
    void attach(QWidget* handle);
    // A button went down on a drag handle: only the left button (1) moves the window.
    void mouseDown(QWidget* window, int button);
    bool following() const { return window_ != nullptr; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    WindowDrag& drag_;
    QWidget* window_ = nullptr;
    QPoint offset_;
};
