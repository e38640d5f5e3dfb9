#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "widgets/Controls.h"
#include "widgets/TitleDrag.h"

class frmMain;

// The modal colour picker. It keeps nothing of its own: every opening builds it afresh, and what
// the user picks goes straight into the main window's swatch and onto the screen.
class frmColor : public QDialog {
    Q_OBJECT
  public:
    // Loads the picker owned by `owner`, shows it modally and returns once it has been unloaded
    // (by its confirm button) or closed some other way.
    static void Show(frmMain& owner);

    frmColor(frmMain& owner);
    ~frmColor() override;

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

  private:
    void createControls();
    void connectHandlers();

    frmMain& owner_;
    TitleDrag drag_;
};
