#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "color_picker/ColorView.h"
#include "color_picker/frmColor.h"
#include "main_window/MainView.h"

// A picker view that keeps what it was last told to show. `whileOpen` runs inside the modal show,
// as the user's clicks would.
class RecordingColorView : public ColorView {
  public:
    static constexpr NativeWindow kId = 0xC0;

    float width = 0;
    float height = 0;
    layout::TwipsRect back{};
    layout::TwipsRect topBar{};
    std::array<layout::TwipsRect, palette::kSwatchCount> swatches{};
    std::array<BgrColor, palette::kSwatchCount> colors{};
    std::optional<layout::TwipsRect> marker;
    bool confirmLit = false;
    bool open = false;
    int modalShows = 0;
    int follows = 0;
    std::function<void()> whileOpen;

    NativeWindow nativeWindow() const override { return kId; }
    void showLoaded(float w, float h, const layout::TwipsRect& b,
                    const layout::TwipsRect& bar) override {
        width = w;
        height = h;
        back = b;
        topBar = bar;
    }
    void showSwatch(int i, const layout::TwipsRect& r, BgrColor c) override {
        swatches[static_cast<std::size_t>(i)] = r;
        colors[static_cast<std::size_t>(i)] = c;
    }
    void showMarker(const layout::TwipsRect& r) override { marker = r; }
    void showConfirmLit(bool lit) override { confirmLit = lit; }
    void showModal() override {
        ++modalShows;
        open = true;
        if (whileOpen) {
            whileOpen();
        }
        open = false;  // the window manager's close, if nothing closed it before
    }
    void closeWindow() override { open = false; }
    void followPointer() override { ++follows; }
};

// A main view that keeps what it was last told to show, every swatch colour in turn, and the
// window calls in order.
class RecordingMainView : public MainView {
  public:
    static constexpr NativeWindow kId = 0x51;
    enum class Window { NotShown, Shown, PutAway, Minimised, Closed };

    std::array<int, 4> sliders{40, 40, 40, 40};
    std::array<int, 4> values{0, 0, 0, 0};
    std::vector<BgrColor> colors;  // every colour the swatch showed, in order
    bool switchOn = true;
    bool nightChecked = true;
    bool normalChecked = true;
    bool automaticChecked = false;
    bool automaticEnabled = false;
    bool autostartChecked = false;
    std::vector<MonitorItem> monitors;  // the monitors submenu's items; none: not shown
    bool miniLit = false;
    bool closeLit = false;
    bool linkLit = false;
    Window window = Window::NotShown;
    std::vector<std::string> calls;  // window calls: "putAway", "minimise", "openMenu", ...
    std::vector<std::pair<std::string, std::string>> messages;  // title, text
    // Runs inside openPicker with the picker's own recording view, as the user would.
    std::function<void(frmColor&, RecordingColorView&)> drivePicker;
    int pickersOpened = 0;

    int slider(Slider s) const { return sliders[static_cast<std::size_t>(s)]; }
    int value(Slider s) const { return values[static_cast<std::size_t>(s)]; }
    BgrColor color() const {
        return colors.empty()
                   ? frmMainLayout::kControls[frmMainLayout::index(frmMainLayout::Id::picColor)]
                         .back
                   : colors.back();
    }

    NativeWindow nativeWindow() const override { return kId; }
    void showSlider(Slider s, int p) override { sliders[static_cast<std::size_t>(s)] = p; }
    void showSliderValue(Slider s, int v) override { values[static_cast<std::size_t>(s)] = v; }
    void showColor(BgrColor c) override { colors.push_back(c); }
    void showSwitch(bool on) override { switchOn = on; }
    void showMenuChecks(bool night, bool normal) override {
        nightChecked = night;
        normalChecked = normal;
    }
    void showAutomatic(bool checked, bool enabled) override {
        automaticChecked = checked;
        automaticEnabled = enabled;
    }
    void showAutostart(bool checked) override { autostartChecked = checked; }
    void showMonitors(const std::vector<MonitorItem>& items) override { monitors = items; }
    void showMiniLit(bool lit) override { miniLit = lit; }
    void showCloseLit(bool lit) override { closeLit = lit; }
    void showLinkLit(bool lit) override { linkLit = lit; }
    void showWindow() override { record("showWindow", Window::Shown); }
    void putAway() override { record("putAway", Window::PutAway); }
    void minimise() override { record("minimise", Window::Minimised); }
    void restore() override { record("restore", Window::Shown); }
    void closeWindow() override { record("closeWindow", Window::Closed); }
    void openMenu() override { calls.push_back("openMenu"); }
    void openPicker(frmColor& picker) override {
        ++pickersOpened;
        RecordingColorView v;
        if (drivePicker) {
            v.whileOpen = [&] { drivePicker(picker, v); };
        }
        picker.attach(v);
        picker.Show();
        picker.detach();
    }
    void sayMessage(const std::string& title, const std::string& text) override {
        messages.emplace_back(title, text);
    }
    void followPointer() override { calls.push_back("followPointer"); }
    void letPendingEventsRun() override { calls.push_back("letPendingEventsRun"); }

  private:
    void record(const char* call, Window now) {
        calls.push_back(call);
        window = now;
    }
};
