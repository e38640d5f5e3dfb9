#pragma once

// Whether another instance of the tool already runs for this user. The answer is taken once,
// before anything else happens; the running instance is not told.
class SingleInstance {
  public:
    virtual ~SingleInstance() = default;
    virtual bool anotherRunning() = 0;
};
