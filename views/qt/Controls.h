#pragma once

#include <QFont>
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <span>
#include <vector>

#include "forms/Layout.h"
#include "views/qt/Twips.h"

// The building blocks of both windows: picture boxes, labels, frames and shapes positioned in
// twips relative to their parent's client area, reporting the pointer in twips with the button
// mask 1 left, 2 right, 4 middle and the modifier mask 1 shift, 2 control, 4 alt.
class Control : public QWidget {
    Q_OBJECT
  public:
    Control(QWidget* parent, const layout::TwipsRect& rect);

    float Left() const { return rect_.left; }
    float Top() const { return rect_.top; }
    float Width() const { return rect_.width; }
    float Height() const { return rect_.height; }
    void setLeft(float twips);
    void setTop(float twips);
    void setWidth(float twips);
    void setHeight(float twips);
    void setRect(const layout::TwipsRect& rect);

    // Inset of this control's client area (a sunken edge), in pixels.
    virtual int clientInset() const { return 0; }

  signals:
    void Click();
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void relayout();

    layout::TwipsRect rect_;
};

// A child window with a background colour and an optional picture; it sizes itself to its picture.
class PictureBox : public Control {
    Q_OBJECT
  public:
    PictureBox(QWidget* parent, const layout::TwipsRect& rect, BgrColor backColor);
    BgrColor BackColor() const { return backColor_; }
    void setBackColor(BgrColor bgr);
    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);
    void setSunken(bool sunken);
    int clientInset() const override { return sunken_ ? layout::kSunkenEdgePixels : 0; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    BgrColor backColor_;
    QPixmap picture_;
    bool sunken_ = false;
};

// A borderless filled panel holding other controls.
class Frame : public Control {
    Q_OBJECT
  public:
    Frame(QWidget* parent, const layout::TwipsRect& rect, BgrColor backColor);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    BgrColor backColor_;
};

// Text on a transparent ground, sized to fit its text once its window is polished; only Left and
// Top of its design rectangle are kept.
class Label : public Control {
    Q_OBJECT
  public:
    Label(QWidget* parent, const layout::TwipsRect& rect, const QString& text, const QFont& font,
          BgrColor foreColor);

    QString Caption() const { return text_; }
    void setCaption(const QString& text);
    BgrColor ForeColor() const { return foreColor_; }
    void setForeColor(BgrColor bgr);

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void fitToText();

    QString text_;
    BgrColor foreColor_;
};

// A rectangle outline drawn on its parent; it takes no input.
class Shape : public Control {
    Q_OBJECT
  public:
    Shape(QWidget* parent, const layout::TwipsRect& rect, BgrColor lineColor, int lineWidthPx);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    BgrColor lineColor_;
    int lineWidth_;
};

// A font of the design: the face asked for first, then installed CJK faces.
QFont designFont(const layout::Font& font);

// The controls of a layout table, built on `window` with their parents, looks, texts, pictures,
// visibility and stacking. Entry i holds the widgets of table entry i: one, or one per item of a
// control array; none for menus, which a window builds itself.
std::vector<std::vector<QWidget*>> buildControls(QWidget* window,
                                                 std::span<const layout::Control> table);
