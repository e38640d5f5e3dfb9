// When another program's changes to one output amount to a fight.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "gamma/FightLimit.h"

TEST(FightLimit, TheThirdChangeWithinTenSeconds) {
    const struct {
        const char* what;
        std::vector<std::int64_t> at;
        std::vector<bool> fighting;
    } cases[] = {
        {"three at once", {0, 0, 0}, {false, false, true}},
        {"the third just inside", {0, 5000, 9999}, {false, false, true}},
        {"the third ten seconds after the first", {0, 5000, 10000}, {false, false, false}},
        {"a slow program never fights",
         {0, 6000, 12000, 18000, 24000},
         {false, false, false, false, false}},
        {"fighting goes on while changes keep coming", {0, 1, 2, 3}, {false, false, true, true}},
        {"a clock set back forgets what lies ahead", {50000, 51000, 1000}, {false, false, false}},
    };
    for (const auto& c : cases) {
        FightLimit limit;
        std::vector<bool> got;
        for (std::int64_t t : c.at) {
            got.push_back(limit.fighting(t));
        }
        EXPECT_EQ(got, c.fighting) << c.what;
    }
    FightLimit limit;
    limit.fighting(0);
    limit.fighting(1);
    limit.reset();
    EXPECT_FALSE(limit.fighting(2)) << "after a reset";
}
