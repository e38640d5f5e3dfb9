#include "platform/x11/X11DisplayGamma.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QTest>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gamma/GammaEngine.h"
#include "gamma/RampMath.h"
#include "platform/linux/IniProfileFile.h"
#include "settings/UntintedOutputs.h"
#include "support/Ramps.h"
#include "support/ScopedEnv.h"
#include "support/XorgDummyServer.h"
#include "support/XvfbServer.h"

namespace {

int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

// A display number that no server listens on.
std::string unusedDisplay() {
    for (int n = 977;; ++n) {
        struct stat st;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (stat(socket.c_str(), &st) != 0 && stat(lock.c_str(), &st) != 0) {
            return ":" + std::to_string(n);
        }
    }
}

// The id of the backend's only lit output (Xvfb has one CRTC); 0 when it lists none.
DisplayGamma::OutputId lit(X11DisplayGamma& backend) {
    for (const DisplayGamma::Output& o : backend.outputs()) {
        if (o.active) {
            return o.id;
        }
    }
    return 0;
}

class X11DisplayGammaTest : public XvfbTest {
  protected:
    void SetUp() override {
        XvfbTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        // A fresh server's ramp is undefined: start from a known one.
        ASSERT_EQ(crtcGammaSize(display()), 256);
        setCrtcRamp(display(), patterned(1));
    }
};

TEST_F(X11DisplayGammaTest, ReadsTheRampRandrHolds) {
    X11DisplayGamma backend(display());
    const auto id = lit(backend);
    GammaRamp ramp;
    ASSERT_TRUE(backend.read(id, ramp));
    EXPECT_EQ(ramp, patterned(1));

    // Changed behind the backend's back: the next read sees it.
    setCrtcRamp(display(), patterned(2));
    ASSERT_TRUE(backend.read(id, ramp));
    EXPECT_EQ(ramp, patterned(2));
}

TEST_F(X11DisplayGammaTest, AppliedRampLandsBitForBit) {
    X11DisplayGamma backend(display());
    const auto id = lit(backend);
    for (std::uint32_t seed : {3u, 4u}) {
        ASSERT_TRUE(backend.apply(id, patterned(seed)));
        EXPECT_EQ(readCrtcRamp(display()), patterned(seed)) << "seed " << seed;
    }
    ASSERT_TRUE(backend.apply(id, ramp::identity()));
    EXPECT_EQ(readCrtcRamp(display()), ramp::identity());
}

TEST_F(X11DisplayGammaTest, EmptyNameUsesTheDisplayVariable) {
    GammaRamp ramp;
    {
        ScopedEnv env("DISPLAY", display());
        X11DisplayGamma backend;
        ASSERT_TRUE(backend.read(lit(backend), ramp));
    }
    EXPECT_EQ(ramp, patterned(1));
}

TEST_F(X11DisplayGammaTest, ManyOperationsAndBackendsInARow) {
    const int before = openDescriptors();
    {
        X11DisplayGamma backend(display());
        const auto id = lit(backend);
        for (std::uint32_t seed = 10; seed < 60; ++seed) {
            ASSERT_TRUE(backend.apply(id, patterned(seed)));
            GammaRamp ramp;
            ASSERT_TRUE(backend.read(id, ramp));
            ASSERT_EQ(ramp, patterned(seed)) << "seed " << seed;
        }
        // One connection for the backend's whole life, not one per call.
        EXPECT_EQ(openDescriptors(), before + 1);
    }
    for (std::uint32_t seed = 60; seed < 65; ++seed) {
        X11DisplayGamma backend(display());
        ASSERT_TRUE(backend.apply(lit(backend), patterned(seed)));
        EXPECT_EQ(readCrtcRamp(display()), patterned(seed));
    }
    EXPECT_EQ(openDescriptors(), before);  // every connection closed again
}

TEST_F(X11DisplayGammaTest, EngineDrivesTheRealDisplay) {
    setCrtcRamp(display(), ramp::identity());
    X11DisplayGamma backend(display());
    GammaEngine engine(backend);
    engine.SaveGamma();
    engine.SetGamma(-40, 0, 40);
    const GammaRamp onScreen = readCrtcRamp(display());
    for (std::size_t i = 0; i < 256; ++i) {
        ASSERT_EQ(onScreen.at(0, i), i * 128);
        ASSERT_EQ(onScreen.at(1, i), i * 256);
        ASSERT_EQ(onScreen.at(2, i), 32768 + i * 128);
    }
    engine.SetDefault();
    EXPECT_EQ(readCrtcRamp(display()), ramp::identity());
}

TEST_F(X11DisplayGammaTest, ServerGoneFailsQuietly) {
    X11DisplayGamma backend(display());
    const auto id = lit(backend);
    GammaRamp ramp;
    ASSERT_TRUE(backend.read(id, ramp));
    xvfb().stop();
    const GammaRamp before = patterned(7);
    ramp = before;
    EXPECT_FALSE(backend.read(id, ramp));
    EXPECT_EQ(ramp, before);
    EXPECT_FALSE(backend.apply(id, patterned(8)));
    EXPECT_FALSE(backend.read(id, ramp));
    EXPECT_TRUE(backend.outputs().empty());
    EXPECT_FALSE(backend.refusal().empty());
}

// The backend only says why; the window that owns the message prints the one stderr line.
TEST(X11DisplayGammaNoServer, MissingDisplayFailsQuietlyAndSaysWhy) {
    X11DisplayGamma backend(unusedDisplay());
    testing::internal::CaptureStderr();
    EXPECT_TRUE(backend.outputs().empty());
    EXPECT_EQ(backend.refusal(), "no X display could be opened");
    const DisplayGamma::OutputId id = 1;
    const GammaRamp before = patterned(5);
    GammaRamp ramp = before;
    EXPECT_FALSE(backend.read(id, ramp));
    EXPECT_EQ(ramp, before);
    EXPECT_FALSE(backend.apply(id, ramp));
    EXPECT_FALSE(backend.read(id, ramp));  // and again, on the same backend
    EXPECT_EQ(ramp, before);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(X11DisplayGammaNoServer, MalformedDisplayNameFailsQuietly) {
    X11DisplayGamma backend("not a display");
    const DisplayGamma::OutputId id = 1;
    GammaRamp ramp;
    EXPECT_FALSE(backend.read(id, ramp));
    EXPECT_FALSE(backend.apply(id, ramp));
}

// On Xorg with the dummy driver: lit outputs are named as RandR names them, and the one that the
// settings file keeps untinted stays on its base at night, also once turned off and on again.
TEST(X11DisplayGammaDummy, OutputsByTheirRandrNamesOneKeptUntinted) {
    if (const std::string why = XorgDummyServer::unavailable(); !why.empty()) {
        GTEST_SKIP() << why;
    }
    XorgDummyServer x;
    ASSERT_TRUE(x.running()) << x.error();
    ASSERT_TRUE(x.enable(1, 1024));
    const auto rising = [](int k) {
        GammaRamp r;
        for (std::size_t i = 0; i < r.words.size(); ++i) {
            r.words[i] = static_cast<std::uint16_t>((i % 256) * (200 + 10 * k));
        }
        return r;
    };
    x.setRamp(0, rising(0));
    x.setRamp(1, rising(1));
    IniProfileFile ini;
    ASSERT_TRUE(settings::SaveUntintedOutputs(ini, x.configDir(), {"DUMMY1"}));

    X11DisplayGamma backend(x.display());
    std::vector<std::string> lit;
    for (const DisplayGamma::Output& o : backend.outputs()) {
        if (o.active) {
            lit.push_back(o.name);
        }
    }
    EXPECT_EQ(lit, (std::vector<std::string>{"DUMMY0", "DUMMY1"}));

    GammaEngine engine(backend);
    engine.setUntinted(settings::LoadUntintedOutputs(ini, x.configDir()));
    engine.SaveGamma();
    engine.SetGamma(-40, -20, 0);
    GammaRamp tint;
    ramp::buildAdjusted(rising(0), -40, -20, 0, tint);
    EXPECT_EQ(x.ramp(0), tint);
    EXPECT_EQ(x.ramp(1), rising(1));

    const auto litCount = [&](std::size_t n) {
        return QTest::qWaitFor([&] { return engine.litOutputs().size() == n; }, 10000);
    };
    ASSERT_TRUE(x.disable(1));
    ASSERT_TRUE(litCount(1));
    ASSERT_TRUE(x.enable(1, 1024));
    ASSERT_TRUE(litCount(2));
    EXPECT_EQ(engine.litOutputs()[1].name, "DUMMY1");
    EXPECT_FALSE(engine.litOutputs()[1].tinted);
    EXPECT_EQ(x.ramp(1), rising(1));
    EXPECT_EQ(x.ramp(0), tint);
}

}  // namespace

// A journal left on ":97" must be found again whether the next start is told ":97.0" or
// "unix:97"; a forwarded display over TCP is another server.
TEST(X11DisplayGammaKey, NamesTheDisplayNotItsSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {":97", ":97"},
        {":97.0", ":97"},
        {"unix:97", ":97"},
        {"unix:97.1", ":97"},
        {"unix/:97", ":97"},
        {"localhost:10.0", "localhost:10"},
        {"host.lan:2", "host.lan:2"},
        {"tcp/host.lan:2.0", "host.lan:2"},
        {"[::1]:3", "[::1]:3"},
    };
    for (const auto& [name, key] : cases) {
        EXPECT_EQ(X11DisplayGamma::journalKeyOf(name), key) << name;
    }
}
