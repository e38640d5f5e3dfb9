#pragma once

#include "main_window/SingleInstance.h"

// An flock() on "dimwarden.lock" in the user's runtime folder, held for the life of the process.
// The kernel drops it when the process ends, however it ends, so what the file holds (nothing,
// junk, an old process id) never matters: a lock that no running instance holds never blocks.
// Where the lock cannot be taken at all (a folder of that name, a read-only runtime folder) the
// start goes ahead and says so once on stderr.
class FlockSingleInstance : public SingleInstance {
  public:
    FlockSingleInstance() = default;
    ~FlockSingleInstance() override;
    FlockSingleInstance(const FlockSingleInstance&) = delete;
    FlockSingleInstance& operator=(const FlockSingleInstance&) = delete;

    bool anotherRunning() override;

  private:
    int fd_ = -1;
};
