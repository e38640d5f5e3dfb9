#include "main_window/frmMain.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <cstdio>

#include "color_picker/frmColor.h"
#include "main_window/SingleInstance.h"
#include "main_window/UrlOpener.h"
#include "settings/ColorSetting.h"
#include "widgets/Design.h"
#include "widgets/Pictures.h"

const char* const frmMain::kHelpUrl = "https://dimwarden.invalid/help";

namespace {
const QString kTrayTip = QStringLiteral("澄岚电脑夜间模式工具");
}  // namespace

frmMain::frmMain(Platform& platform)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint),
      platform_(platform),
      engine_(platform.display, platform.journal),
      drag_(platform.drag) {
    setFixedSize(537, 499);  // 8055 x 7485 twips
    setWindowTitle(QString());
    setWindowIcon(Pictures::get().appIcon);
    setMouseTracking(true);
    createControls();
    createMenu();
    connectHandlers();

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

frmMain::~frmMain() {
    platform_.tray.onClick = nullptr;
}

void frmMain::connectHandlers() {
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmMain::HScroll1_Change);
    connect(HScrollRed, &QScrollBar::valueChanged, this, &frmMain::HScrollRed_Change);
    connect(HScrollGreen, &QScrollBar::valueChanged, this, &frmMain::HScrollGreen_Change);
    connect(HScrollBlue, &QScrollBar::valueChanged, this, &frmMain::HScrollBlue_Change);

    connect(lbSwitch, &Control::Click, this, &frmMain::lbSwitch_Click);
    connect(picSwitch, &Control::Click, this, &frmMain::picSwitch_Click);
    connect(picColor, &Control::Click, this, &frmMain::picColor_Click);
    connect(lbSetting, &Control::Click, this, &frmMain::lbSetting_Click);
    connect(mnuNight, &QAction::triggered, this, &frmMain::mnuNight_Click);
    connect(mnuNormal, &QAction::triggered, this, &frmMain::mnuNormal_Click);
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);

    connect(picMini, &Control::Click, this, &frmMain::picMini_Click);
    connect(picMini, &Control::MouseMove, this, &frmMain::picMini_MouseMove);
    connect(picCls, &Control::Click, this, &frmMain::picCls_Click);
    connect(picCls, &Control::MouseMove, this, &frmMain::picCls_MouseMove);
    connect(picTopbar, &Control::MouseMove, this, &frmMain::picTopbar_MouseMove);
    drag_.attach(picTopbar, [this](int button) { picTopbar_MouseDown(button); });
    drag_.attach(lbTitle, [this](int button) { lbTitle_MouseDown(button); });
    connect(lbWeibo, &Control::MouseMove, this, &frmMain::lbWeibo_MouseMove);
    connect(lbWeibo, &Control::Click, this, &frmMain::lbWeibo_Click);

    platform_.tray.onClick = [this](NotifyIcon::Click click) { trayIcon_Click(click); };
}

// ---- Start and exit -------------------------------------------------------------------------

bool frmMain::Form_Load() {
    isModeOn = true;
    if (platform_.instance.anotherRunning()) {
        return false;
    }
    loading_ = true;

    const settings::LoadedColor loaded =
        settings::LoadColorSetting(platform_.profile, platform_.settingsDir, WinPath);
    std::int32_t color = settings::DefaultTintColor;
    if (loaded.found) {
        Sys_Tray();
        color = loaded.color;
        keptColor_ = color;
    }
    lbHval->setCaption(QString::number(HScroll1->value()));
    SaveGamma();
    picColor->setBackColor(static_cast<std::uint32_t>(color));
    std::int32_t shown = static_cast<std::int32_t>(picColor->BackColor());
    SetScreenByColor(shown);
    lbRed->setCaption(QString::number(HScrollRed->value()));
    lbGreen->setCaption(QString::number(HScrollGreen->value()));
    lbBlue->setCaption(QString::number(HScrollBlue->value()));
    if (HScrollRed->value() == HScrollGreen->value() &&
        HScrollRed->value() == HScrollBlue->value()) {
        HScroll1->setValue(HScrollRed->value());
    }

    loading_ = false;
    if (!engine_.accepted()) {
        reportRefusal();
    } else if (const std::string notice = platform_.display.notice(); !notice.empty()) {
        tell(QStringLiteral("另一个程序也在改变屏幕颜色，会与夜间模式相互抵消。"), notice);
    }
    return true;
}

void frmMain::reportRefusal() {
    if (refusalReported_) {
        return;
    }
    refusalReported_ = true;
    std::string why = platform_.display.refusal();
    if (why.empty()) {
        why = "no output accepted a gamma ramp";
    }
    tell(QStringLiteral("此显示不允许程序改变屏幕颜色，夜间模式不会生效。"),
         "this display does not let programs change the screen's colours: " + why);
}

void frmMain::tell(const QString& caption, const std::string& what) {
    std::fprintf(stderr, "dimwarden: %s\n", what.c_str());
    QString sentence = QString::fromStdString(what);
    sentence[0] = sentence[0].toUpper();
    // Not modal: the tool runs on as before, and a window that starts hidden must not block on it.
    auto* box =
        new QMessageBox(QMessageBox::Warning, lbTitle->Caption(),
                        caption + QStringLiteral("\n[%1.]").arg(sentence), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setModal(false);
    box->show();
}

void frmMain::resumed() {
    engine_.reapply();
}

void frmMain::showAfterLoad() {
    if (!putAwayByLoad_) {
        show();
    }
}

void frmMain::Form_Unload() {
    SetDefault();
    engine_.closeJournal();
    settings::SaveColorSetting(platform_.profile, WinPath,
                               static_cast<std::int32_t>(picColor->BackColor()));
    platform_.tray.remove();
}

// Each completed change is kept at once, with the same atomic write as the unload, so a lost
// session or a crash keeps the user's last colour. Unchanged colours are not written again.
void frmMain::keepColor() {
    if (loading_ || unloaded_ || changeDepth_ > 0) {
        return;
    }
    const auto color = static_cast<std::int32_t>(picColor->BackColor());
    if (color != keptColor_ && settings::SaveColorSetting(platform_.profile, WinPath, color)) {
        keptColor_ = color;
    }
    if (changed) {
        changed();
    }
}

void frmMain::Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    Form_Unload();
    hide();
    emit unloaded();
}

void frmMain::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

// ---- Modes ------------------------------------------------------------------------------------

void frmMain::switchClick() {
    if (isModeOn) {
        isModeOn = false;
        lbSwitch->setCaption(QStringLiteral("OFF"));
        picSwitch->setLeft(shpSwitch->Width() + shpSwitch->Left() - picSwitch->Width());
        picLightNormal->show();
        picLightNight->hide();
        SetDefault();
        SaveGamma();
        keepColor();
    } else {
        isModeOn = true;
        lbSwitch->setCaption(QStringLiteral("ON"));
        picSwitch->setLeft(shpSwitch->Left());
        picLightNormal->hide();
        picLightNight->show();
        std::int32_t colr = static_cast<std::int32_t>(picColor->BackColor());
        SetScreenByColor(colr);
    }
}

void frmMain::mnuNight_Click() {
    isModeOn = false;
    switchClick();
}

void frmMain::mnuNormal_Click() {
    isModeOn = true;
    switchClick();
}

void frmMain::picColor_Click() {
    // Built afresh for every opening, so nothing of an earlier one (the marker) survives.
    QPointer<frmColor> picker = new frmColor(this, platform_.drag);
    connect(picker, &frmColor::SwatchPicked, this, &frmMain::picker_SwatchPicked);
    connect(picker, &frmColor::Confirmed, this, &frmMain::picker_Confirmed);
    picker->Show();
    delete picker;
}

void frmMain::picker_SwatchPicked(std::uint32_t color) {
    picColor->setBackColor(color);
    // The swatch is the one home of the colour, so the tint is taken from there.
    std::int32_t colr = static_cast<std::int32_t>(picColor->BackColor());
    SetScreenByColor(colr);
}

void frmMain::picker_Confirmed() {
    // Cleared first so that the switch always turns night mode on.
    isModeOn = false;
    switchClick();
}

// ---- Notification area ------------------------------------------------------------------------

void frmMain::Sys_Tray() {
    platform_.tray.add(Pictures::get().appIcon, kTrayTip);
    if (platform_.tray.available()) {
        hide();
    } else if (!isMinimized()) {
        // With no notification area a hidden window could not be reached again while the screen
        // stays tinted, so it goes to the taskbar instead.
        showMinimized();
    }
    if (loading_) {
        putAwayByLoad_ = true;
    }
}

void frmMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Form_Resize();
    }
}

void frmMain::Form_Resize() {
    if (windowState() & Qt::WindowMinimized) {
        Sys_Tray();
    }
}

void frmMain::Form_MouseMove() {
    lbWeibo->setForeColor(design::kLinkGrey);
}

void frmMain::mouseMoveEvent(QMouseEvent*) {
    Form_MouseMove();
}

void frmMain::trayIcon_Click(NotifyIcon::Click click) {
    // The icon's events reach the window as its own pointer moves do.
    Form_MouseMove();
    // A window minimised to the taskbar counts as put away too, so the icon can still bring it
    // back.
    if (isVisible() && !isMinimized()) {
        return;
    }
    switch (click) {
        case NotifyIcon::Click::LeftPress:
            showNormal();
            raise();
            activateWindow();
            break;
        case NotifyIcon::Click::RightPress:
            mnuFile->popup(QCursor::pos());
            break;
        case NotifyIcon::Click::DoubleClick:
        case NotifyIcon::Click::MiddlePress:
            break;
    }
}

void frmMain::picMini_Click() {
    // Straight into the notification area rather than through the window manager's iconify: an
    // iconify still on its way when the window is hidden would land after a later restore and
    // put the window away again.
    Sys_Tray();
    picMini->setPicture(picMiniNormal->Picture());
}

void frmMain::picMini_MouseMove() {
    picMini->setPicture(picMiniFocus->Picture());
}

// ---- Title strip and link ---------------------------------------------------------------------

void frmMain::picCls_MouseMove() {
    picCls->setPicture(picClsFocus->Picture());
}

void frmMain::picTopbar_MouseMove() {
    picCls->setPicture(picClsNormal->Picture());
    picMini->setPicture(picMiniNormal->Picture());
}

void frmMain::picTopbar_MouseDown(int Button) {
    drag_.mouseDown(this, Button);
}

void frmMain::lbTitle_MouseDown(int Button) {
    drag_.mouseDown(this, Button);
}

void frmMain::lbWeibo_MouseMove() {
    lbWeibo->setForeColor(design::kLinkHover);
}

void frmMain::lbWeibo_Click() {
    QCoreApplication::processEvents();
    platform_.url.open(QString::fromLatin1(kHelpUrl));  // a failure changes nothing
}

void frmMain::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromBgr(design::kMainBackground));
}
