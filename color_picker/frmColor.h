#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "widgets/Controls.h"
#include "widgets/TitleDrag.h"

class WindowDrag;

// The modal colour picker. It keeps nothing of its own: every opening builds it afresh, and what
// the user picks is reported to the owner at once, which shows it and puts it on the screen.
class frmColor : public QDialog {
    Q_OBJECT
  public:
    frmColor(QWidget* owner, WindowDrag& drag);
    ~frmColor() override;

    // Loads the picker, shows it modally centred on its owner and returns once it has been
    // unloaded (by its confirm button) or closed by the window manager.
    void Show();

    // The window currently open, if any (tests drive it through this).
    static frmColor* current();

    // Controls, by their design names.
    Shape* shpBack;
    Shape* shpPick;
    PictureBox* picTopbar;
    Label* lbTitle;
    PictureBox* picCls;
    PictureBox* picClsNormal;
    PictureBox* picClsFocus;
    std::array<PictureBox*, 52> picPickColor{};

    // Handlers, by their design names.
    void Form_Load();
    void picPickColor_Click(std::int16_t Index);
    void picCls_Click();
    void picCls_MouseMove();
    void picTopbar_MouseMove();
    void picTopbar_MouseDown(int Button);
    void lbTitle_MouseDown(int Button);

  signals:
    // A swatch was clicked: its colour is the owner's new colour and tints the screen at once.
    void SwatchPicked(std::uint32_t color);
    // The confirm picture was clicked: the owner turns night mode on; the picker then closes.
    void Confirmed();

  protected:
    // No key closes the picker: it closes only through its confirm picture.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void createControls();
    void connectHandlers();

    TitleDrag drag_;
};
