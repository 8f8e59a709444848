// Runs started together take turns for the heavy work (a direct conversion
// and its OCR pass, or application printing): at most as many work at once
// as the machine has cores, in the order they asked. The queue also keeps
// two runs from writing documents of the same name.
#pragma once

#include <string>

namespace quilbex {

class TurnQueue {
public:
    virtual ~TurnQueue() = default;

    // Asks for a turn; true once this run holds one. Otherwise ahead is set
    // to the number of runs before this one (working or waiting) and the run
    // asks again later; its place in the line is kept meanwhile.
    virtual bool TakeTurn(int& ahead) = 0;
    // The place this run works in while it holds a turn (0 when it has none).
    virtual int Place() const = 0;
    // Gives up the turn or the place in the line, and every claimed name.
    virtual void EndTurn() = 0;
    // Claims path for the document this run writes: false when another run
    // that is still going has claimed it.
    virtual bool ClaimName(const std::string& path) = 0;
};

// A run alone: its turn comes at once and every name is free.
class NoTurnQueue : public TurnQueue {
public:
    bool TakeTurn(int& ahead) override {
        ahead = 0;
        return true;
    }
    int Place() const override { return 0; }
    void EndTurn() override {}
    bool ClaimName(const std::string&) override { return true; }
};

}  // namespace quilbex
