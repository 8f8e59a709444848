// A turn queue the test drives: the turn comes when the test says, names
// listed as taken are refused, and every call is counted.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "run/TurnQueue.h"

namespace quilbex::testing {

class FakeTurnQueue : public TurnQueue {
public:
    int ahead = 0;     // runs before this one while the turn has not come
    bool turn = true;  // the turn comes at the next ask
    std::set<std::string> taken;
    std::vector<std::string> claimed;
    int asks = 0;
    int ends = 0;

    bool TakeTurn(int& before) override {
        ++asks;
        before = turn ? 0 : ahead;
        return turn;
    }
    int Place() const override { return 0; }
    void EndTurn() override { ++ends; }
    bool ClaimName(const std::string& path) override {
        if (taken.count(path)) return false;
        claimed.push_back(path);
        return true;
    }
};

}  // namespace quilbex::testing
