#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "gamma/RampMath.h"
#include "main_window/frmMain.h"
#include "settings/ColorSetting.h"
#include "support/MemoryPlatform.h"
#include "support/RecordingViews.h"

// The main form over in-memory platform parts and a recording view, on a display that starts
// with a full-range ramp (entry i = i * 257), so every tint shows in the ramps applied.
class MainFormTest : public ::testing::Test {
  protected:
    using Slider = frmMain::Slider;
    using Window = RecordingMainView::Window;

    void SetUp() override {
        GammaRamp start;
        for (std::size_t c = 0; c < 3; ++c) {
            for (std::size_t i = 0; i < 256; ++i) {
                start.at(c, i) = static_cast<std::uint16_t>(i * 257);
            }
        }
        startRamp = start;
        mp.display.setTables(start);
        form = std::make_unique<frmMain>(mp.platform);
        form->attach(view);
    }

    void storeColor(const std::string& text) { mp.profile.values[settingKey()] = text; }
    std::string storedColor() { return mp.profile.values[settingKey()]; }
    // The system's own separator joins the folder and the file name.
    MemoryProfileFile::Key settingKey() const {
        return {settings::settingsFilePath(mp.settingsDir.dir), "Setting", "color"};
    }

    // The ramp the engine builds from `base` for three slider positions.
    static GammaRamp tinted(const GammaRamp& base, int pR, int pG, int pB) {
        GammaRamp out;
        ramp::buildAdjusted(base, pR - 40, pG - 40, pB - 40, out);
        return out;
    }

    std::vector<GammaRamp> appliedSince(std::size_t from) const {
        return {mp.display.applied.begin() + static_cast<std::ptrdiff_t>(from),
                mp.display.applied.end()};
    }

    // The remembered ramp of the display's first output (all zero before its first read).
    GammaRamp savedRamp() const {
        const auto* s = form->engine().output(MemoryDisplayGamma::kFirst);
        return s != nullptr ? s->savedRamp : GammaRamp{};
    }

    // The colour the form holds, checked against what its view shows.
    std::uint32_t swatch() const {
        EXPECT_EQ(view.color(), form->color());
        return form->color().value();
    }

    MemoryPlatform mp;
    GammaRamp startRamp;
    RecordingMainView view;
    std::unique_ptr<frmMain> form;
};

inline std::uint32_t bgr(int r, int g, int b) {
    return BgrColor::fromRgb(r, g, b).value();
}
