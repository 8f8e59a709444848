// What QUILBEX_TUNING may change in a tuning table, and what not.
#include <gtest/gtest.h>

#include "Tuning.h"

namespace {

TEST(Tuning, OverridesChangeOnlyTheFloorsOwnParametersGivenAsNumbers) {
    struct Case {
        const char* overrides;
        double a, b;
    } cases[] = {
        {nullptr, 1, 2},
        {"t.A=3", 3, 2},
        {"t.A=2.5,t.B=-7", 2.5, -7},
        {"other.A=3,A=3,t.C=9", 1, 2},  // another floor's, no floor, no such parameter
        {"t.A=,t.B=3x,t.A", 1, 2},      // no number
        {"t.B=1e3,", 1, 1000},
    };
    for (const Case& c : cases) {
        const xdw::TuningTable table("t", {{"A", 1, ""}, {"B", 2, ""}}, c.overrides);
        EXPECT_EQ(table.Value(0), c.a) << (c.overrides ? c.overrides : "none");
        EXPECT_EQ(table.Value(1), c.b) << (c.overrides ? c.overrides : "none");
    }
}

}  // namespace
