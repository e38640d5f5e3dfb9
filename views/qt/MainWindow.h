#pragma once

#include <QWidget>
#include <array>
#include <vector>

#include "main_window/MainView.h"
#include "main_window/frmMainLayout.h"
#include "views/qt/PointerFollow.h"

class QAction;
class QMenu;
class frmMain;

// The main window drawn with Qt widgets built from frmMainLayout. It shows what the form tells it
// and forwards every event to the form's handler; it holds no behaviour of its own.
class MainWindow : public QWidget, public MainView {
    Q_OBJECT
  public:
    using Id = frmMainLayout::Id;

    explicit MainWindow(frmMain& form);
    ~MainWindow() override;

    // A control by its design name (the first item of an array); menus and items are QMenu and
    // QAction, reached through menu() and item().
    QWidget* control(Id id) const;
    template <class T>
    T* control(Id id) const {
        return static_cast<T*>(control(id));
    }
    QMenu* menu() const { return menu_; }
    QAction* item(Id id) const;
    // The monitors submenu (hidden while the form lists no monitors).
    QMenu* monitorsMenu() const { return monitorsMenu_; }

    NativeWindow nativeWindow() const override;
    void showSlider(Slider slider, int position) override;
    void showSliderValue(Slider slider, int value) override;
    void showColor(BgrColor color) override;
    void showSwitch(bool on) override;
    void showMenuChecks(bool night, bool normal) override;
    void showAutomatic(bool checked, bool enabled) override;
    void showAutostart(bool checked) override;
    void showMonitors(const std::vector<MonitorItem>& items) override;
    void showMiniLit(bool lit) override;
    void showCloseLit(bool lit) override;
    void showLinkLit(bool lit) override;
    void showWindow() override;
    void putAway() override;
    void minimise() override;
    void restore() override;
    void closeWindow() override;
    void openMenu() override;
    void openPicker(frmColor& picker) override;
    void sayMessage(const std::string& title, const std::string& text) override;
    void followPointer() override;
    void letPendingEventsRun() override;

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    void buildMenu();
    void connectHandlers();

    frmMain& form_;
    std::vector<std::vector<QWidget*>> controls_;
    QMenu* menu_ = nullptr;
    QMenu* monitorsMenu_ = nullptr;    // above Exit
    std::array<QAction*, 5> items_{};  // Night, Normal, Automatic, Start at login, Exit
    PointerFollow follow_;
};
