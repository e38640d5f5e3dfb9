#pragma once

#include "gamma/GammaEngine.h"
#include "schedule/ScheduleTarget.h"

// The main window's switches as far as the engine sees them: night applies the colour's tint,
// normal writes each output's base and remembers what the display reports.
class EngineScheduleTarget : public ScheduleTarget {
  public:
    EngineScheduleTarget(GammaEngine& engine, BgrColor color, bool startsAtNight)
        : night(startsAtNight), engine_(engine), color_(color) {}
    bool night;
    int blends = 0;

    bool nightOn() const override { return night; }
    void switchToNight() override {
        night = true;
        const GammaEngine::Request r = GammaEngine::Request::night(color_);
        engine_.SetGamma(r.red, r.green, r.blue);
    }
    void switchToNormal() override {
        night = false;
        engine_.SetDefault();
        engine_.SaveGamma();
    }
    void writeBlend(bool toNight, double progress) override {
        ++blends;
        engine_.SetBlend(
            toNight ? GammaEngine::Request::night(color_) : GammaEngine::Request::base(), progress);
    }

  private:
    GammaEngine& engine_;
    BgrColor color_;
};
