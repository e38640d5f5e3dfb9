#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/ConsoleAttach.h"

namespace {

// Records the calls; answers as the case says.
class FakeConsole : public win::ConsoleSystem {
  public:
    bool outUsable = false;
    bool errUsable = false;
    bool parentHasConsole = false;
    std::vector<std::string> calls;

    bool usable(win::Stream s) override { return s == win::Stream::Out ? outUsable : errUsable; }
    bool attachToParent() override {
        calls.push_back("attach");
        return parentHasConsole;
    }
    void reopenOnConsole(win::Stream s) override {
        calls.push_back(s == win::Stream::Out ? "reopen out" : "reopen err");
    }
};

}  // namespace

TEST(ConsoleAttach, PointsOnlyTheStreamsWithNowhereToGoAtTheParentsConsole) {
    struct Case {
        const char* name;
        bool out, err, parentConsole;
        bool attached;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"from a command prompt", false, false, true, true, {"attach", "reopen out", "reopen err"}},
        {"from Explorer: no console to attach to", false, false, false, false, {"attach"}},
        {"output redirected to a file", true, false, true, true, {"attach", "reopen err"}},
        {"errors redirected", false, true, true, true, {"attach", "reopen out"}},
        // Both handed over (redirection, or Wine started from a shell): nothing to do.
        {"both redirected", true, true, true, false, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeConsole console;
        console.outUsable = c.out;
        console.errUsable = c.err;
        console.parentHasConsole = c.parentConsole;
        EXPECT_EQ(win::attachParentConsole(console), c.attached);
        EXPECT_EQ(console.calls, c.calls);
    }
}

// Under Wine started from a shell both streams are the shell's: the real step leaves them be.
TEST(ConsoleAttach, KeepsStreamsTheParentHandedOver) {
    win::Win32Console real;
    ASSERT_TRUE(real.usable(win::Stream::Out) && real.usable(win::Stream::Err));
    EXPECT_FALSE(win::attachParentConsole(real));
}
