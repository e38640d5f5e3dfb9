#include "views/qt/Controls.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

#include "forms/Design.h"
#include "views/qt/Pictures.h"

namespace {

int buttonMask(Qt::MouseButtons buttons) {
    return ((buttons & Qt::LeftButton) ? 1 : 0) | ((buttons & Qt::RightButton) ? 2 : 0) |
           ((buttons & Qt::MiddleButton) ? 4 : 0);
}

int shiftMask(Qt::KeyboardModifiers mods) {
    return ((mods & Qt::ShiftModifier) ? 1 : 0) | ((mods & Qt::ControlModifier) ? 2 : 0) |
           ((mods & Qt::AltModifier) ? 4 : 0);
}

int parentInset(const QWidget* w) {
    const auto* parent = qobject_cast<const Control*>(w->parentWidget());
    return parent ? parent->clientInset() : 0;
}

}  // namespace

Control::Control(QWidget* parent, const layout::TwipsRect& rect) : QWidget(parent), rect_(rect) {
    // Every control takes the pointer events over its own area, like a child window would, so a
    // move over a control never counts as a move over whatever lies behind it.
    setAttribute(Qt::WA_NoMousePropagation);
    setMouseTracking(true);
    relayout();
}

void Control::relayout() {
    QRect px = toQRect(rect_);
    const int inset = parentInset(this);
    px.translate(inset, inset);
    setGeometry(px);
}

void Control::setLeft(float twips) {
    rect_.left = twips;
    relayout();
}
void Control::setTop(float twips) {
    rect_.top = twips;
    relayout();
}
void Control::setWidth(float twips) {
    rect_.width = twips;
    relayout();
}
void Control::setHeight(float twips) {
    rect_.height = twips;
    relayout();
}
void Control::setRect(const layout::TwipsRect& rect) {
    rect_ = rect;
    relayout();
}

void Control::mousePressEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseDown(buttonMask(event->button()), shiftMask(event->modifiers()), pixelsToTwips(p.x()),
                   pixelsToTwips(p.y()));
}

void Control::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit Click();
    }
}

void Control::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    emit MouseMove(buttonMask(event->buttons()), shiftMask(event->modifiers()),
                   pixelsToTwips(p.x()), pixelsToTwips(p.y()));
}

PictureBox::PictureBox(QWidget* parent, const layout::TwipsRect& rect, BgrColor backColor)
    : Control(parent, rect), backColor_(backColor) {}

void PictureBox::setBackColor(BgrColor bgr) {
    backColor_ = bgr;
    update();
}

void PictureBox::setPicture(const QPixmap& picture) {
    // The hover rules set the same picture on every pointer move; only a change needs a repaint.
    if (!picture_.isNull() && picture.cacheKey() == picture_.cacheKey()) {
        return;
    }
    picture_ = picture;
    if (!picture_.isNull()) {
        rect_.width = pixelsToTwips(picture_.width());
        rect_.height = pixelsToTwips(picture_.height());
        relayout();
    }
    update();
}

void PictureBox::setSunken(bool sunken) {
    sunken_ = sunken;
    for (QObject* child : children()) {
        if (auto* c = qobject_cast<Control*>(child)) {
            c->setRect({c->Left(), c->Top(), c->Width(), c->Height()});
        }
    }
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromBgr(backColor_));
    if (!picture_.isNull()) {
        p.drawPixmap(0, 0, picture_);
    }
    if (sunken_) {
        // The classic two-pixel sunken edge: shadow above and left, light below and right.
        const int w = width() - 1;
        const int h = height() - 1;
        p.setPen(fromBgr(design::kEdgeShadow));
        p.drawLine(0, 0, w - 1, 0);
        p.drawLine(0, 0, 0, h - 1);
        p.setPen(fromBgr(design::kEdgeDarkShadow));
        p.drawLine(1, 1, w - 2, 1);
        p.drawLine(1, 1, 1, h - 2);
        p.setPen(fromBgr(design::kEdgeLight));
        p.drawLine(0, h, w, h);
        p.drawLine(w, 0, w, h);
        p.setPen(fromBgr(design::kEdgeHighlight));
        p.drawLine(1, h - 1, w - 1, h - 1);
        p.drawLine(w - 1, 1, w - 1, h - 1);
    }
}

Frame::Frame(QWidget* parent, const layout::TwipsRect& rect, BgrColor backColor)
    : Control(parent, rect), backColor_(backColor) {}

void Frame::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromBgr(backColor_));
}

Label::Label(QWidget* parent, const layout::TwipsRect& rect, const QString& text, const QFont& font,
             BgrColor foreColor)
    : Control(parent, rect), text_(text), foreColor_(foreColor) {
    setFont(font);
    fitToText();
}

void Label::setCaption(const QString& text) {
    text_ = text;
    fitToText();
    update();
}

void Label::setForeColor(BgrColor bgr) {
    if (bgr == foreColor_) {
        return;  // the link is reset to grey on every move over the window
    }
    foreColor_ = bgr;
    update();
}

// Measuring text loads the font machinery and the fonts themselves, the largest part of start-up.
// A window's labels are measured when it is polished, just before it is first shown (or drawn),
// so that work comes after the load sequence has put the tint on the screen.
bool Label::event(QEvent* event) {
    const bool handled = Control::event(event);
    if (event->type() == QEvent::Polish) {
        fitToText();
    }
    return handled;
}

void Label::fitToText() {
    const QWidget* parent = parentWidget();
    if (!testAttribute(Qt::WA_WState_Polished) &&
        (parent == nullptr || !parent->testAttribute(Qt::WA_WState_Polished))) {
        return;
    }
    const QFontMetrics fm(font());
    rect_.width = pixelsToTwips(fm.horizontalAdvance(text_));
    rect_.height = pixelsToTwips(fm.height());
    relayout();
}

void Label::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(fromBgr(foreColor_));
    p.setFont(font());
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text_);
}

Shape::Shape(QWidget* parent, const layout::TwipsRect& rect, BgrColor lineColor, int lineWidthPx)
    : Control(parent, rect), lineColor_(lineColor), lineWidth_(lineWidthPx) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(false);
}

void Shape::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor c = fromBgr(lineColor_);
    const int w = width();
    const int h = height();
    const int t = lineWidth_;
    p.fillRect(0, 0, w, t, c);
    p.fillRect(0, h - t, w, t, c);
    p.fillRect(0, 0, t, h, c);
    p.fillRect(w - t, 0, t, h, c);
}

QFont designFont(const layout::Font& font) {
    QFont f;
    f.setFamilies({QStringLiteral("微软雅黑"), QStringLiteral("WenQuanYi Micro Hei"),
                   QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Droid Sans Fallback")});
    f.setPixelSize(font.pixelHeight);
    f.setBold(font.bold);
    return f;
}

namespace {

QScrollBar* makeSlider(QWidget* parent, const layout::TwipsRect& rect) {
    auto* s = new QScrollBar(Qt::Horizontal, parent);
    s->setGeometry(toQRect(rect));
    s->setRange(0, 40);
    s->setSingleStep(1);
    s->setPageStep(1);
    s->setValue(40);
    // The value counts only when a move completes: no notifications while the thumb is dragged.
    s->setTracking(false);
    s->setAttribute(Qt::WA_NoMousePropagation);
    return s;
}

QWidget* buildOne(QWidget* parent, const layout::Control& c) {
    const QString text = QString::fromUtf8(c.caption != nullptr ? c.caption : "");
    QWidget* w = nullptr;
    switch (c.kind) {
        case layout::Kind::PictureBox: {
            auto* box = new PictureBox(parent, c.rect, c.back);
            if (c.picture != layout::Picture::None) {
                box->setPicture(Pictures::get().of(c.picture));
            }
            box->setSunken(c.sunken);
            w = box;
            break;
        }
        case layout::Kind::Frame:
            w = new Frame(parent, c.rect, c.back);
            break;
        case layout::Kind::Label:
            w = new Label(parent, c.rect, text, designFont(c.font), c.fore);
            break;
        case layout::Kind::Shape:
            w = new Shape(parent, c.rect, c.back, c.lineWidthPx);
            break;
        case layout::Kind::ScrollBar:
            w = makeSlider(parent, c.rect);
            break;
        case layout::Kind::Menu:
        case layout::Kind::MenuItem:
            return nullptr;
    }
    if (c.toolTip != nullptr) {
        w->setToolTip(QString::fromUtf8(c.toolTip));
    }
    w->setVisible(c.visible);
    return w;
}

}  // namespace

std::vector<std::vector<QWidget*>> buildControls(QWidget* window,
                                                 std::span<const layout::Control> table) {
    std::vector<std::vector<QWidget*>> built(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const layout::Control& c = table[i];
        if (c.kind == layout::Kind::Menu || c.kind == layout::Kind::MenuItem) {
            continue;
        }
        QWidget* parent = c.parent == layout::kWindow
                              ? window
                              : built[static_cast<std::size_t>(c.parent)].front();
        for (int item = 0; item < c.count; ++item) {
            if (QWidget* w = buildOne(parent, c)) {
                built[i].push_back(w);
            }
        }
    }
    // raise() puts a widget in front of its siblings, so raising from the back forward leaves the
    // front one in front; the items of an array lie in front of the ones before them.
    std::vector<std::size_t> order(table.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = i;
    }
    std::stable_sort(order.begin(), order.end(), [&table](std::size_t a, std::size_t b) {
        return table[a].stack > table[b].stack;
    });
    for (std::size_t i : order) {
        for (QWidget* w : built[i]) {
            w->raise();
        }
    }
    return built;
}
