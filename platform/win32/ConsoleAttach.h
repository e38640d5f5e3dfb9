#pragma once

// A windowed (GUI-subsystem) program gets no console: started from a command prompt, its
// --help, --version and error lines would print nowhere. Before printing, the entry point points
// the standard streams that have nowhere to go at the console of the process that started it.
// Streams the parent redirected (to a file or a pipe) are kept as they are.
namespace win {

enum class Stream { Out, Err };

// The system calls the attach step is made of, so that its choices can be tested.
class ConsoleSystem {
  public:
    virtual ~ConsoleSystem() = default;
    // The stream has a handle that leads somewhere (a console, a file, a pipe).
    virtual bool usable(Stream s) = 0;
    // AttachConsole(ATTACH_PARENT_PROCESS); false when the parent has no console (Explorer).
    virtual bool attachToParent() = 0;
    virtual void reopenOnConsole(Stream s) = 0;
};

// Returns whether the process attached to its parent's console.
bool attachParentConsole(ConsoleSystem& system);

// The real calls.
class Win32Console : public ConsoleSystem {
  public:
    bool usable(Stream s) override;
    bool attachToParent() override;
    void reopenOnConsole(Stream s) override;
};

}  // namespace win
