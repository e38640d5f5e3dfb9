#include "control/Controller.h"

#include <algorithm>

#include "control/CommandTable.h"
#include "control/StatusNames.h"
#include "schedule/Scheduler.h"

namespace control {
std::string statusLine(const State& state) {
    std::string line;
    for (const FieldRow& field : fieldRows()) {
        const std::string token = field.status(state);
        if (!token.empty()) {
            line += (line.empty() ? "" : " ") + token;
        }
    }
    return line;
}

std::string statusJson(const State& state) {
    std::string json;
    for (const FieldRow& field : fieldRows()) {
        json += (json.empty() ? "{\"" : ",\"") + std::string(field.key) + "\":";
        const FieldValue value = field.get(state);
        if (const bool* b = std::get_if<bool>(&value)) {
            json += *b ? "true" : "false";
        } else if (const int* i = std::get_if<int>(&value)) {
            json += std::to_string(*i);
        } else if (const std::string* s = std::get_if<std::string>(&value)) {
            json += jsonString(*s);
        } else {
            std::string list;
            for (const std::string& name : std::get<std::vector<std::string>>(value)) {
                list += (list.empty() ? "" : ",") + jsonString(name);
            }
            json += "[" + list + "]";
        }
    }
    return json + "}";
}

Controller::Controller(ControlTarget& target) : target_(target) {
    target_.changed = [this] { notify(); };
}

Controller::~Controller() {
    target_.changed = nullptr;
}

State Controller::state() const {
    State state;
    for (const FieldRow& field : fieldRows()) {
        field.take(state, target_);
    }
    return state;
}

std::string Controller::apply(const Command& command) {
    return rowOf(command.action).apply(command, *this);
}

void Controller::setNight(bool on) {
    if (on) {
        target_.chooseNight();
    } else {
        target_.chooseNormal();
    }
}

void Controller::setColor(BgrColor color) {
    target_.pickColor(color);
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

void Controller::setOutputTinted(const std::string& name, bool tinted) {
    target_.setOutputTinted(name, tinted);
}

std::string Controller::setAutostart(bool on) {
    return target_.setAutostart(on);
}

void Controller::setPauseFullscreen(bool on) {
    target_.setPauseFullscreen(on);
}

void Controller::setPauseApps(const std::vector<std::string>& apps) {
    target_.setPauseApps(apps);
}

void Controller::quit() {
    target_.quit();
}

int Controller::addListener(std::function<void(const State&)> listener) {
    listeners_.emplace(++nextListener_, std::move(listener));
    return nextListener_;
}

void Controller::removeListener(int id) {
    listeners_.erase(id);
}

void Controller::hold() {
    if (!held_) {
        held_ = true;
        target_.holdEffects(true);
    }
}

void Controller::release() {
    if (!held_) {
        return;
    }
    held_ = false;
    target_.holdEffects(false);
    if (std::exchange(changedWhileHeld_, false)) {
        notify();
    }
}

void Controller::notify() {
    if (held_) {
        changedWhileHeld_ = true;
        return;
    }
    const State now = state();
    for (const auto& [id, listener] : listeners_) {
        listener(now);
    }
}

}  // namespace control
