#pragma once

#include <QAction>
#include <QMenu>
#include <QScrollBar>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "gamma/GammaEngine.h"
#include "main_window/NotifyIcon.h"
#include "main_window/Platform.h"
#include "widgets/Controls.h"
#include "widgets/TitleDrag.h"

// The application window: it owns every piece of lasting state (the ramps and offsets, the settings
// location, the mode, the notification icon) and the process ends when it unloads.
class frmMain : public QWidget {
    Q_OBJECT
  public:
    explicit frmMain(Platform& platform);
    ~frmMain() override;

    // Public members used by the colour picker and the program's entry point.
    std::string WinPath;
    bool isModeOn = false;
    // Called once a change of the mode, colour or sliders is complete, whatever started it.
    std::function<void()> changed;

    void SetGamma(std::int16_t intRed, std::int16_t intGreen, std::int16_t intBlue);
    void SetDefault();
    void SaveGamma();
    void switchClick();
    void SetScreenByColor(std::int32_t& colr);
    void Sys_Tray();

    // The load sequence. Returns false when another instance runs: the process must end at once.
    bool Form_Load();
    // Shows the window unless the load sequence put it away (hidden, or minimised without a tray).
    void showAfterLoad();
    // Unloads the window: runs the unload sequence once, then reports unloaded().
    void Unload();
    // The machine woke from suspend: the drivers may have reset the outputs' tables.
    void resumed();

    const GammaEngine& engine() const { return engine_; }

    // Controls, by their design names.
    PictureBox* picTopbar;
    Label* lbTitle;
    PictureBox* picMini;
    PictureBox* picCls;
    PictureBox* picMiniNormal;
    PictureBox* picMiniFocus;
    PictureBox* picClsNormal;
    PictureBox* picClsFocus;
    PictureBox* Picture1;
    Frame* fraNormal;
    PictureBox* picSetting;
    Label* lbNormal;
    Label* Label1;
    QScrollBar* HScroll1;
    Label* lbHval;
    Label* Label2;
    PictureBox* picColor;
    Label* lbSetting;
    PictureBox* Picture2;
    Frame* fraAdvanced;
    PictureBox* picAdvanced;
    Label* Label7;
    Label* Label4;
    QScrollBar* HScrollRed;
    Label* lbRed;
    Label* Label6;
    QScrollBar* HScrollGreen;
    Label* lbGreen;
    Label* Label8;
    QScrollBar* HScrollBlue;
    Label* lbBlue;
    Label* lbMode;
    Shape* shpSwitch;
    PictureBox* picSwitch;
    Label* lbSwitch;
    PictureBox* picLightNight;
    PictureBox* picLightNormal;
    Label* lbWeibo;
    Label* Label5;
    Label* Label3;

    QMenu* mnuFile;
    QAction* mnuNight;
    QAction* mnuNormal;
    QAction* mnuExit;

    // Handlers, by their design names.
    void Form_Unload();
    void Form_Resize();
    // A pointer move over the window's own background; buttons and position do not matter.
    void Form_MouseMove();
    void trayIcon_Click(NotifyIcon::Click click);
    void HScroll1_Change();
    void HScrollRed_Change();
    void HScrollGreen_Change();
    void HScrollBlue_Change();
    void lbSwitch_Click() { switchClick(); }
    void picSwitch_Click() { switchClick(); }
    void mnuNight_Click();
    void mnuNormal_Click();
    void mnuExit_Click() { Unload(); }
    void picColor_Click();
    void picker_SwatchPicked(std::uint32_t color);
    void picker_Confirmed();
    void lbSetting_Click() { picColor_Click(); }
    void picMini_Click();
    void picMini_MouseMove();
    void picCls_Click() { Unload(); }
    void picCls_MouseMove();
    void picTopbar_MouseMove();
    void picTopbar_MouseDown(int Button);
    void lbTitle_MouseDown(int Button);
    void lbWeibo_MouseMove();
    void lbWeibo_Click();

    // The address the link label opens.
    static const char* const kHelpUrl;

  signals:
    void unloaded();

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void createControls();
    void createMenu();
    void connectHandlers();
    void ApplyColorSliders();
    void applySliderOffsets(int red, int green, int blue);
    void checkNight();
    void keepColor();
    // Says once, in a message and on stderr, that this display takes no ramps.
    void reportRefusal();
    // A message with `caption` over `what` (English, a clause without its full stop), and `what`
    // on stderr after "dimwarden: ".
    void tell(const QString& caption, const std::string& what);

    Platform& platform_;
    GammaEngine engine_;
    TitleDrag drag_;
    bool unloaded_ = false;
    bool loading_ = false;
    bool putAwayByLoad_ = false;
    // Handlers that the one being run set off by moving sliders; only the outermost keeps the
    // colour, once the whole change is done.
    int changeDepth_ = 0;
    std::optional<std::int32_t> keptColor_;
    bool refusalReported_ = false;
};
