#pragma once

#include <QLockFile>
#include <memory>

#include "platform/SingleInstance.h"
#include "platform/UrlOpener.h"
#include "platform/WindowDrag.h"

// The window manager's interactive move (where there is a window manager that offers it).
class QtWindowDrag : public WindowDrag {
  public:
    bool startMove(QWidget* window) override;
};

// The desktop's default handler for web addresses; nothing is waited for, no console is shown.
class DesktopUrlOpener : public UrlOpener {
  public:
    bool open(const QString& url) override;
};

// A lock file in the user's runtime directory, held for the life of the process. A lock left by a
// process that no longer runs (killed, power loss) is taken over.
class LockFileSingleInstance : public SingleInstance {
  public:
    bool anotherRunning() override;

  private:
    std::unique_ptr<QLockFile> lock_;
};
