#include "pause/WindowPause.h"

#include <chrono>
#include <utility>

#include "gamma/GammaEngine.h"
#include "schedule/Clock.h"

WindowPause::WindowPause(GammaEngine& engine, ActiveWindowSource* source, Clock* clock)
    : engine_(engine), source_(source), clock_(clock) {}

WindowPause::~WindowPause() {
    stop();
}

void WindowPause::start() {
    if (started_ || stopped_ || source_ == nullptr || !source_->unavailable().empty()) {
        return;
    }
    started_ = true;
    source_->onChanged = [this] { follow(); };
    source_->onScreenWoke = [this] { putBack(); };
    source_->start();
    pauseNow();
}

void WindowPause::stop() {
    stopped_ = true;
    if (started_ && source_ != nullptr) {
        source_->onChanged = nullptr;
        source_->onScreenWoke = nullptr;
    }
}

void WindowPause::setChoices(pausing::Choices choices) {
    choices_ = std::move(choices);
    pauseNow();
}

std::string WindowPause::unavailable() const {
    if (source_ == nullptr) {
        return "this desktop tells no program which window is active";
    }
    return source_->unavailable();
}

const std::set<std::string>& WindowPause::paused() const {
    return engine_.paused();
}

void WindowPause::follow() {
    pauseNow();
    // The same events tell when another program may have written over the tint.
    putBack();
}

void WindowPause::putBack() {
    if (stopped_) {
        return;
    }
    using namespace std::chrono;
    engine_.putBack(
        clock_ != nullptr
            ? clock_->now()
            : duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void WindowPause::pauseNow() {
    if (stopped_) {
        return;
    }
    const std::set<std::string> now =
        started_ ? pausing::pausedOutputs(source_->active(), choices_) : std::set<std::string>{};
    if (now == engine_.paused()) {
        return;
    }
    engine_.setPaused(now);
    if (onPausedChanged) {
        onPausedChanged();
    }
}
