#include "control/Controller.h"

#include <algorithm>

#include "control/StatusNames.h"
#include "schedule/Scheduler.h"

namespace control {
namespace {

std::string untintedToken(const State& state) {
    return state.untinted.empty() ? "" : " untinted=" + joinStatusNames(state.untinted);
}

std::string untintedJson(const State& state) {
    std::string list;
    for (const std::string& name : state.untinted) {
        list += (list.empty() ? "" : ",") + jsonString(name);
    }
    return ",\"untinted\":[" + list + "]";
}

}  // namespace

std::string statusLine(const State& state) {
    std::string line = std::string(state.night ? "night " : "normal ") + formatColor(state.color) +
                       " " + std::to_string(state.brightness);
    if (state.schedule != "off") {
        line += " schedule=" + state.schedule + " fade=" + std::to_string(state.fade);
        if (!state.automatic) {
            line += " automatic=off";
        }
    }
    return line + untintedToken(state);
}

std::string statusJson(const State& state) {
    // The schedule's text form needs no escaping: digits, ':', '-', '.', ',' and letters.
    return std::string("{\"night\":") + (state.night ? "true" : "false") + ",\"color\":\"" +
           formatColor(state.color) + "\",\"brightness\":" + std::to_string(state.brightness) +
           ",\"schedule\":\"" + state.schedule + "\",\"fade\":" + std::to_string(state.fade) +
           ",\"automatic\":" + (state.automatic ? "true" : "false") + untintedJson(state) + "}";
}

Controller::Controller(ControlTarget& target) : target_(target) {
    target_.changed = [this] { notify(); };
}

Controller::~Controller() {
    target_.changed = nullptr;
}

State Controller::state() const {
    const std::set<std::string> untinted = target_.untinted();
    State state{target_.night(),       target_.color() & 0x00FFFFFFu,
                target_.brightness(),  schedule::format(target_.schedule()),
                target_.fadeSeconds(), target_.automatic()};
    state.untinted.assign(untinted.begin(), untinted.end());
    return state;
}

void Controller::apply(const Command& command) {
    switch (command.action) {
        case Action::Night:
            setNight(true);
            break;
        case Action::Normal:
            setNight(false);
            break;
        case Action::Toggle:
            toggle();
            break;
        case Action::Color:
            setColor(command.color);
            break;
        case Action::Brightness:
            setBrightness(targetBrightness(command, target_.brightness()));
            break;
        case Action::Schedule:
            setSchedule(command.schedule);
            break;
        case Action::Fade:
            setFadeSeconds(command.fade);
            break;
        case Action::Tint:
        case Action::Untint:
            target_.setOutputTinted(command.output, command.action == Action::Tint);
            break;
        case Action::Status:
        case Action::Watch:
            break;
    }
}

void Controller::setNight(bool on) {
    if (on) {
        target_.chooseNight();
    } else {
        target_.chooseNormal();
    }
}

void Controller::setColor(std::uint32_t bgr) {
    target_.pickColor(bgr & 0x00FFFFFFu);
}

void Controller::setBrightness(int position) {
    target_.moveBrightness(std::clamp(position, kMinBrightness, kMaxBrightness));
}

void Controller::toggle() {
    target_.toggle();
}

void Controller::setSchedule(const Schedule& schedule) {
    target_.setSchedule(schedule);
}

void Controller::setFadeSeconds(int seconds) {
    target_.setFadeSeconds(std::clamp(seconds, 0, Scheduler::kMaxFadeSeconds));
}

void Controller::setUntinted(const std::set<std::string>& names) {
    target_.setUntinted(names);
}

int Controller::addListener(std::function<void(const State&)> listener) {
    listeners_.emplace(++nextListener_, std::move(listener));
    return nextListener_;
}

void Controller::removeListener(int id) {
    listeners_.erase(id);
}

void Controller::notify() {
    const State now = state();
    for (const auto& [id, listener] : listeners_) {
        listener(now);
    }
}

}  // namespace control
