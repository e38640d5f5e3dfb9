#include "views/qt/MainWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include "main_window/frmMain.h"
#include "views/qt/ColorWindow.h"
#include "views/qt/Controls.h"
#include "views/qt/Pictures.h"

namespace {

using frmMainLayout::Id;
using frmMainLayout::Slider;

QString text(Id id) {
    return QString::fromUtf8(frmMainLayout::kControls[frmMainLayout::index(id)].caption);
}

}  // namespace

MainWindow::MainWindow(frmMain& form)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), form_(form) {
    const layout::PixelRect size = layout::toPixels(frmMainLayout::kWindow.client);
    setFixedSize(size.width, size.height);
    // Frameless, the title shows nowhere on the window; task lists and Alt+Tab name the tool by
    // it, as they name the Windows window by the same text.
    setWindowTitle(text(Id::lbTitle));
    setWindowIcon(Pictures::get().appIcon);
    setMouseTracking(true);
    controls_ = buildControls(this, frmMainLayout::kControls);
    control(Id::lbWeibo)->setCursor(Qt::PointingHandCursor);
    buildMenu();
    connectHandlers();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - rect().center());
    }
    form_.attach(*this);
}

MainWindow::~MainWindow() {
    form_.detach();
}

QWidget* MainWindow::control(Id id) const {
    const auto& built = controls_[static_cast<std::size_t>(frmMainLayout::index(id))];
    return built.empty() ? nullptr : built.front();
}

QAction* MainWindow::item(Id id) const {
    return items_[static_cast<std::size_t>(frmMainLayout::index(id) -
                                           frmMainLayout::index(Id::mnuNight))];
}

void MainWindow::buildMenu() {
    menu_ = new QMenu(text(Id::mnuFile), this);
    for (Id id : {Id::mnuNight, Id::mnuNormal, Id::mnuAuto, Id::mnuAutostart, Id::mnuExit}) {
        QAction* a = menu_->addAction(text(id));
        const layout::Control& c = frmMainLayout::kControls[frmMainLayout::index(id)];
        a->setCheckable(c.checked || id == Id::mnuAuto || id == Id::mnuAutostart);
        a->setChecked(c.checked);
        // Automatic is greyed until the form says a schedule is set.
        a->setEnabled(id != Id::mnuAuto);
        items_[static_cast<std::size_t>(frmMainLayout::index(id) -
                                        frmMainLayout::index(Id::mnuNight))] = a;
    }
    monitorsMenu_ = new QMenu(QString::fromUtf8(frmMain::kMonitorsCaption), menu_);
    menu_->insertMenu(item(Id::mnuExit), monitorsMenu_)->setVisible(false);
}

void MainWindow::connectHandlers() {
    frmMain& f = form_;
    for (Slider s : frmMainLayout::kSliders) {
        connect(control<QScrollBar>(frmMainLayout::scrollBarOf(s)), &QScrollBar::valueChanged, this,
                [&f, s](int value) { f.moveSlider(s, value); });
    }
    const auto click = [this](Id id, auto handler) {
        connect(control<Control>(id), &Control::Click, this, handler);
    };
    const auto hover = [this](Id id, auto handler) {
        connect(control<Control>(id), &Control::MouseMove, this, handler);
    };
    const auto press = [this](Id id, auto handler) {
        connect(control<Control>(id), &Control::MouseDown, this,
                [handler](int button, int, float, float) { handler(button); });
        follow_.watch(control(id));
    };
    click(Id::lbSwitch, [&f] { f.lbSwitch_Click(); });
    click(Id::picSwitch, [&f] { f.picSwitch_Click(); });
    click(Id::picColor, [&f] { f.picColor_Click(); });
    click(Id::lbSetting, [&f] { f.lbSetting_Click(); });
    click(Id::picMini, [&f] { f.picMini_Click(); });
    click(Id::picCls, [&f] { f.picCls_Click(); });
    click(Id::lbWeibo, [&f] { f.lbWeibo_Click(); });
    hover(Id::picMini, [&f] { f.picMini_MouseMove(); });
    hover(Id::picCls, [&f] { f.picCls_MouseMove(); });
    hover(Id::picTopbar, [&f] { f.picTopbar_MouseMove(); });
    hover(Id::lbWeibo, [&f] { f.lbWeibo_MouseMove(); });
    press(Id::picTopbar, [&f](int button) { f.picTopbar_MouseDown(button); });
    press(Id::lbTitle, [&f](int button) { f.lbTitle_MouseDown(button); });
    connect(item(Id::mnuNight), &QAction::triggered, this, [&f] { f.mnuNight_Click(); });
    connect(item(Id::mnuNormal), &QAction::triggered, this, [&f] { f.mnuNormal_Click(); });
    connect(item(Id::mnuAuto), &QAction::triggered, this, [this, &f] {
        // The check mark is the form's to set: Qt's own toggle is undone first.
        showAutomatic(f.services().automaticChecked(), f.services().automaticEnabled());
        f.mnuAuto_Click();
    });
    connect(item(Id::mnuAutostart), &QAction::triggered, this, [this, &f] {
        showAutostart(f.services().autostart());
        f.mnuAutostart_Click();
    });
    connect(item(Id::mnuExit), &QAction::triggered, this, [&f] { f.mnuExit_Click(); });
}

// ---- Events -----------------------------------------------------------------------------------

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        form_.Form_Resize(isMinimized());
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    form_.Unload();
    event->accept();
}

void MainWindow::mouseMoveEvent(QMouseEvent*) {
    form_.Form_MouseMove();
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), fromBgr(frmMainLayout::kWindow.back));
}

// ---- What the form shows ----------------------------------------------------------------------

NativeWindow MainWindow::nativeWindow() const {
    return static_cast<NativeWindow>(winId());
}

void MainWindow::showSlider(Slider slider, int position) {
    auto* bar = control<QScrollBar>(frmMainLayout::scrollBarOf(slider));
    const QSignalBlocker quiet(bar);
    bar->setValue(position);
}

void MainWindow::showSliderValue(Slider slider, int value) {
    control<Label>(frmMainLayout::valueLabelOf(slider))->setCaption(QString::number(value));
}

void MainWindow::showColor(BgrColor color) {
    control<PictureBox>(Id::picColor)->setBackColor(color);
}

void MainWindow::showSwitch(bool on) {
    control<Label>(Id::lbSwitch)->setCaption(on ? QStringLiteral("ON") : QStringLiteral("OFF"));
    control<Control>(Id::picSwitch)->setLeft(frmMainLayout::knobLeft(on));
    control(Id::picLightNormal)->setVisible(!on);
    control(Id::picLightNight)->setVisible(on);
}

void MainWindow::showMonitors(const std::vector<MonitorItem>& items) {
    // Called from inside an item's own triggered signal as well: old items go later.
    for (QAction* a : monitorsMenu_->actions()) {
        monitorsMenu_->removeAction(a);
        a->deleteLater();
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* a = monitorsMenu_->addAction(QString::fromStdString(items[i].name));
        a->setCheckable(true);
        a->setChecked(items[i].tinted);
        frmMain& f = form_;
        connect(a, &QAction::triggered, this, [&f, i] { f.mnuMonitor_Click(i); });
    }
    monitorsMenu_->menuAction()->setVisible(!items.empty());
}

void MainWindow::showMenuChecks(bool night, bool normal) {
    item(Id::mnuNormal)->setChecked(normal);
    item(Id::mnuNight)->setChecked(night);
}

void MainWindow::showAutostart(bool checked) {
    item(Id::mnuAutostart)->setChecked(checked);
}

void MainWindow::showAutomatic(bool checked, bool enabled) {
    item(Id::mnuAuto)->setChecked(checked);
    item(Id::mnuAuto)->setEnabled(enabled);
}

void MainWindow::showMiniLit(bool lit) {
    control<PictureBox>(Id::picMini)
        ->setPicture(control<PictureBox>(lit ? Id::picMiniFocus : Id::picMiniNormal)->Picture());
}

void MainWindow::showCloseLit(bool lit) {
    control<PictureBox>(Id::picCls)
        ->setPicture(control<PictureBox>(lit ? Id::picClsFocus : Id::picClsNormal)->Picture());
}

void MainWindow::showLinkLit(bool lit) {
    control<Label>(Id::lbWeibo)->setForeColor(frmMainLayout::linkColor(lit));
}

void MainWindow::showWindow() {
    show();
}

void MainWindow::putAway() {
    hide();
}

void MainWindow::minimise() {
    showMinimized();
}

void MainWindow::restore() {
    showNormal();
    raise();
    activateWindow();
}

void MainWindow::closeWindow() {
    hide();
}

void MainWindow::openMenu() {
    menu_->popup(QCursor::pos());
}

void MainWindow::openPicker(frmColor& picker) {
    ColorWindow window(this, picker);
    picker.Show();
}

void MainWindow::sayMessage(const std::string& title, const std::string& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, QString::fromStdString(title),
                                QString::fromStdString(text), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Not modal: the tool runs on as before, and a window that starts hidden must not block on it.
    box->setModal(false);
    // From the event loop, once the load sequence has shown the window: shown before it, the
    // message would be stacked under it.
    QTimer::singleShot(0, box, [box] {
        box->show();
        box->raise();
    });
}

void MainWindow::followPointer() {
    follow_.start(this);
}

void MainWindow::letPendingEventsRun() {
    QCoreApplication::processEvents();
}
