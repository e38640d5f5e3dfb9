// How long the settings file takes to load at start (the colour, the schedule and the untinted
// outputs, through the Linux profile reader) as the file grows: a 13 MB file whose [Untinted]
// section holds the most names it may (256 of 200 bytes) after a large section of someone else's,
// and a file of 100,000 short keys. Each file lives in a fresh temporary folder. Figures are
// printed; nothing fails.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/linux/IniProfileFile.h"
#include "settings/ColorSetting.h"
#include "settings/ScheduleSetting.h"
#include "settings/SettingsDirectory.h"
#include "settings/UntintedOutputs.h"

namespace {

class FixedDirectory : public SettingsDirectory {
  public:
    explicit FixedDirectory(std::string dir) : dir_(std::move(dir)) {}
    std::string directory() override { return dir_; }

  private:
    std::string dir_;
};

void printLoadFigure(const char* what, std::size_t otherKeys, std::size_t valueSize) {
    std::string pattern = (std::filesystem::temp_directory_path() / "settings-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::printf("%s: no temporary folder\n", what);
        return;
    }
    {
        std::ofstream file(settings::settingsFilePath(pattern), std::ios::binary);
        file << "[Setting]\ncolor=16744272\n[Other]\n";
        const std::string value(valueSize, 'x');
        for (std::size_t n = 0; n < otherKeys; ++n) {
            file << "key" << n << '=' << value << '\n';
        }
        file << "[Schedule]\nschedule=22:00-07:00\nfade=60\nautomatic=1\n[Untinted]\ncount="
             << settings::MaxUntintedOutputs << '\n';
        for (std::size_t n = 1; n <= settings::MaxUntintedOutputs; ++n) {
            file << "name" << n << "=OUT-" << n << std::string(190, 'n') << '\n';
        }
    }
    const auto size = std::filesystem::file_size(settings::settingsFilePath(pattern));
    IniProfileFile profile;
    FixedDirectory dir(pattern);
    const auto start = std::chrono::steady_clock::now();
    std::string winPath;
    const auto color = settings::LoadColorSetting(profile, dir, winPath);
    const auto schedule = settings::LoadScheduleSetting(profile, winPath);
    const auto names = settings::LoadUntintedOutputs(profile, winPath);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("%s (%.1f MB): colour, schedule and %zu untinted names loaded in %.3f s%s\n", what,
                static_cast<double>(size) / 1e6, names.size(), took.count(),
                color.found && schedule.fadeSeconds == 60 ? "" : " (NOT READ BACK)");
    std::filesystem::remove_all(pattern);
}

}  // namespace

int main() {
    printLoadFigure("a 13 MB file, 256 untinted names", 100'000, 120);
    printLoadFigure("a file of 100,000 short keys", 100'000, 4);
    return 0;
}
