// SPDX-License-Identifier: GPL-3.0-or-later
// The rules that need no game to run: checked on their own.

#include "rules.h"

#include <gtest/gtest.h>

TEST(EngineRules, WinnerNeedsASingleLeader) {
    EXPECT_EQ(rules::soleLeader({3, 0, 8, 0, 8, 0}), 0);
    EXPECT_EQ(rules::soleLeader({3, 0, 8, 9, 8, 0}), 4);
    // Nobody scoring at all is a six-way tie.
    EXPECT_EQ(rules::soleLeader({0, 0, 0, 0, 0, 0}), 0);
}
