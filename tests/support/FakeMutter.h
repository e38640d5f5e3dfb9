#pragma once

#include <QString>
#include <QThread>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

// Mutter's display-configuration service as a client sees it, and GNOME's NightLightActive, on a
// bus of the test's choosing. It is served from a thread of its own, so it answers while the code
// under test waits in a blocking call on the test's thread. Like Mutter it refuses a stale serial
// with AccessDenied and tables of the wrong length with InvalidArgs.
class FakeMutter {
  public:
    struct Crtc {
        std::uint32_t id = 0;
        int gammaSize = 256;  // 0: no table (virtual screens)
        bool inUse = true;    // false: current mode -1
        QString output;       // the output it drives; empty: none
    };
    using Tables = std::array<std::vector<std::uint16_t>, 3>;

    FakeMutter(const QString& busAddress, std::vector<Crtc> layout);
    ~FakeMutter();
    FakeMutter(const FakeMutter&) = delete;
    FakeMutter& operator=(const FakeMutter&) = delete;

    bool running() const { return running_; }

    // A new layout under a new serial, announced with MonitorsChanged. Tables of CRTCs that stay
    // with the same size are kept; new ones start as a per-CRTC pattern.
    void setLayout(std::vector<Crtc> layout, bool announce = true);
    void emitMonitorsChanged();
    // The serial moves on without a signal, as when another client reconfigured the screens.
    void bumpSerial();
    // The serial moves on now and right after every GetResources, so every gamma call is stale.
    void setAlwaysStale(bool on);
    void setHung(bool on);  // no call gets an answer
    void setNightLight(bool on);

    Tables tables(std::uint32_t crtc) const;
    void setTables(std::uint32_t crtc, Tables tables);
    int staleRefusals() const;

  private:
    class Service;
    class Thread;
    friend class Service;

    mutable std::mutex mutex_;
    std::vector<Crtc> layout_;
    std::map<std::uint32_t, Tables> tables_;
    std::uint32_t serial_ = 1;
    bool alwaysStale_ = false;
    bool hung_ = false;
    bool nightLight_ = false;
    int staleRefusals_ = 0;

    std::unique_ptr<Thread> thread_;
    bool running_ = false;
};
