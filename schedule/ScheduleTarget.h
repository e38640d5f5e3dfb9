#pragma once

// What the schedule drives: the tool's own night and normal switches, and the ramps in between.
class ScheduleTarget {
  public:
    virtual ~ScheduleTarget() = default;
    virtual bool nightOn() const = 0;
    // Exactly what the menu's Night and Normal items do, so that every view follows.
    virtual void switchToNight() = 0;
    virtual void switchToNormal() = 0;
    // One step of a fade: the ramp `progress` (0..1) of the way from what the screen showed when
    // the fade began to what the switch towards `toNight` will write. The mode itself stays as it
    // is until the fade ends with the switch.
    virtual void writeBlend(bool toNight, double progress) = 0;
};
