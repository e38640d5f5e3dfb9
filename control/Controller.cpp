#include "control/Controller.h"

#include <algorithm>

#include "control/StatusNames.h"

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
    return std::string(state.night ? "night " : "normal ") + formatColor(state.color) + " " +
           std::to_string(state.brightness) + untintedToken(state);
}

std::string statusJson(const State& state) {
    return std::string("{\"night\":") + (state.night ? "true" : "false") + ",\"color\":\"" +
           formatColor(state.color) + "\",\"brightness\":" + std::to_string(state.brightness) +
           untintedJson(state) + "}";
}

Controller::Controller(ControlTarget& target) : target_(target) {
    target_.changed = [this] { notify(); };
}

Controller::~Controller() {
    target_.changed = nullptr;
}

State Controller::state() const {
    const std::set<std::string> untinted = target_.untinted();
    return {target_.night(),
            target_.color() & 0x00FFFFFFu,
            target_.brightness(),
            {untinted.begin(), untinted.end()}};
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
