#pragma once

#include <QObject>
#include <QPoint>

class QWidget;

// Where no window manager moves a borderless window, the window follows the pointer from a press
// on one of its drag handles until the button is released.
class PointerFollow : public QObject {
    Q_OBJECT
  public:
    // Feeds the follow with `handle`'s pointer moves and releases.
    void watch(QWidget* handle);
    // The left button went down on a handle and no window manager took the move.
    void start(QWidget* window);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* window_ = nullptr;
    QPoint offset_;
};
