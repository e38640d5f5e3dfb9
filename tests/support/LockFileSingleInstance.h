#pragma once

#include <QLockFile>
#include <memory>

#include "main_window/SingleInstance.h"

// The lock a Qt program would take, beside the tool's own flock for comparison: a lock file in the
// user's runtime directory, held for the life of the process. A lock left by a process that no
// longer runs (killed, power loss) is taken over, and so is one whose holder cannot be read.
class LockFileSingleInstance : public SingleInstance {
  public:
    bool anotherRunning() override;

  private:
    std::unique_ptr<QLockFile> lock_;
};
