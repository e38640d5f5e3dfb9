#pragma once

#include <QDialog>
#include <vector>

#include "color_picker/ColorView.h"
#include "color_picker/frmColorLayout.h"
#include "views/qt/PointerFollow.h"

class frmColor;

// The colour picker drawn with Qt widgets built from frmColorLayout, modal over its owner. It
// shows what the form tells it and forwards every event to the form's handler.
class ColorWindow : public QDialog, public ColorView {
    Q_OBJECT
  public:
    using Id = frmColorLayout::Id;

    ColorWindow(QWidget* owner, frmColor& form);
    ~ColorWindow() override;

    // A control by its design name; `item` picks one of a control array.
    QWidget* control(Id id, int item = 0) const;
    template <class T>
    T* control(Id id, int item = 0) const {
        return static_cast<T*>(control(id, item));
    }

    NativeWindow nativeWindow() const override;
    void showLoaded(float width, float height, const layout::TwipsRect& back,
                    const layout::TwipsRect& topBar) override;
    void showSwatch(int index, const layout::TwipsRect& rect, BgrColor color) override;
    void showMarker(const layout::TwipsRect& rect) override;
    void showConfirmLit(bool lit) override;
    void showModal() override;
    void closeWindow() override;
    void followPointer() override;

  protected:
    // No key closes the picker: it closes only through its confirm picture.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void connectHandlers();

    frmColor& form_;
    std::vector<std::vector<QWidget*>> controls_;
    PointerFollow follow_;
};
