// Errors that escape the delivery of an event reach the error handler.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/Application.h"

namespace quilbex {
namespace {

TEST(EventDelivery, EscapingErrorReachesTheHandlerAndTheEventCountsAsUnhandled) {
    std::vector<std::string> seen;
    auto handler = [&](const std::exception& e) { seen.push_back(e.what()); };
    EXPECT_TRUE(DeliverCatching([] { return true; }, handler));
    EXPECT_TRUE(seen.empty());

    EXPECT_FALSE(DeliverCatching([]() -> bool { throw std::runtime_error("boom"); }, handler));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "boom");

    EXPECT_FALSE(DeliverCatching([]() -> bool { throw 42; }, handler));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_FALSE(seen[1].empty()) << "an unknown error still gets a message";
}

TEST(EventDelivery, WithoutHandlerTheErrorIsStillCaught) {
    EXPECT_FALSE(DeliverCatching([]() -> bool { throw std::logic_error("lost?"); }, nullptr));
}

}  // namespace
}  // namespace quilbex
