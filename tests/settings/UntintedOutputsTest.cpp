#include "settings/UntintedOutputs.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <string>

#include "platform/linux/IniProfileFile.h"
#include "settings/UntintedOutputsCases.h"
#include "support/MemoryPlatform.h"

namespace {

TEST(UntintedOutputs, NamesAreStoredReadablyAndOnlyWhatAReaderWouldAlterIsEscaped) {
    const struct {
        std::string name;
        std::string stored;
    } cases[] = {
        {"DP-1", "DP-1"},
        {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY1"},
        {" a b ", "%20a%20b%20"},
        {"\"x\"'", "%22x%22%27"},
        {"%;#=[]", "%25%3B%23%3D%5B%5D"},
        {"é\x7F\x01", "%C3%A9%7F%01"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(settings::encodeOutputName(c.name), c.stored) << c.name;
        EXPECT_EQ(settings::decodeOutputName(c.stored), c.name) << c.stored;
    }
}

TEST(UntintedOutputs, RoundTripAndDamageThroughTheTextFile) {
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    IniProfileFile ini;
    checkUntintedOutputs(ini, temp.path().toStdString());
}

TEST(UntintedOutputs, NoFolderOrARefusedWriteKeepsNothingAndSaysSo) {
    MemoryProfileFile memory;
    EXPECT_FALSE(settings::SaveUntintedOutputs(memory, "", {"DP-1"}));
    EXPECT_TRUE(settings::LoadUntintedOutputs(memory, "").empty());
    EXPECT_EQ(memory.writes + memory.reads, 0);

    memory.refuseWrite = true;
    EXPECT_FALSE(settings::SaveUntintedOutputs(memory, "/memory/config", {"DP-1"}));
    EXPECT_TRUE(settings::LoadUntintedOutputs(memory, "/memory/config").empty());
}

}  // namespace
