#pragma once

#include "color_picker/ColorView.h"
#include "views/win32/TableCanvas.h"
#include "views/win32/ViewWindow.h"

class frmColor;

// The colour picker on Win32: a borderless window owned by the main window, painted from
// frmColorLayout, shown modally (the owner is disabled while it is open). Events go to the form's
// handlers; no key closes it.
class Win32ColorWindow : public ColorView {
  public:
    Win32ColorWindow(HWND owner, frmColor& form);
    ~Win32ColorWindow() override;
    Win32ColorWindow(const Win32ColorWindow&) = delete;
    Win32ColorWindow& operator=(const Win32ColorWindow&) = delete;

    NativeWindow nativeWindow() const override;
    void showLoaded(float width, float height, const layout::TwipsRect& back,
                    const layout::TwipsRect& topBar) override;
    void showSwatch(int index, const layout::TwipsRect& rect, BgrColor color) override;
    void showMarker(const layout::TwipsRect& rect) override;
    void showConfirmLit(bool lit) override;
    void showModal() override;
    void closeWindow() override;
    void followPointer() override;

  private:
    template <typename View>
    friend LRESULT CALLBACK viewwindow::procedure(HWND, UINT, WPARAM, LPARAM);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam);

    HWND owner_;
    frmColor& form_;
    TableCanvas canvas_;
    HWND hwnd_ = nullptr;
    bool open_ = false;
    int pressed_ = -1;
    int pressedItem_ = 0;
};
