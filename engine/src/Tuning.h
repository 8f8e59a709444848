// The engine's thresholds as named parameters. Each floor keeps its own in
// one table (prepare/PrepareTuning.h, ...): rows of a name, a value and what
// it means, read by the floor's code with Tuned or TunedInt. A benchmark may
// give any of them another value without a rebuild, by the environment
// variable QUILBEX_TUNING, read once, when a floor's table is first asked
// for:
//     QUILBEX_TUNING=prepare.SpeckPx=4,prepare.CleanShare=0.8
// An entry naming no parameter of the floor it names, or whose value is no
// number, is reported on stderr and left out.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <initializer_list>
#include <vector>

namespace xdw {

struct TuningRow {
    const char* name;
    double value;
    const char* meaning;
};

// One floor's table, its values as the overrides leave them.
class TuningTable {
public:
    // floor: the prefix of its parameters' names in the overrides
    // ("prepare"); overrides: as QUILBEX_TUNING gives them, or null.
    TuningTable(const char* floor, std::initializer_list<TuningRow> rows, const char* overrides);
    double Value(size_t row) const { return rows_[row].value; }
    const std::vector<TuningRow>& Rows() const { return rows_; }

private:
    std::vector<TuningRow> rows_;
};

}  // namespace xdw

#define XDW_TUNING_NAME(name, value, meaning) name,
#define XDW_TUNING_ROW(name, value, meaning) ::xdw::TuningRow{#name, value, meaning},

// Declares, for the rows of TABLE (a list of X(name, value, meaning)): enum
// class Floor naming them, Floor##Tuning() (the table, read once) and
// Tuned / TunedInt (a parameter's value, as a number or rounded).
#define XDW_TUNING_TABLE(Floor, prefix, TABLE)                                                   \
    enum class Floor { TABLE(XDW_TUNING_NAME) };                                                 \
    inline const ::xdw::TuningTable& Floor##Tuning() {                                           \
        static const ::xdw::TuningTable table(prefix, {TABLE(XDW_TUNING_ROW)},                   \
                                              std::getenv("QUILBEX_TUNING"));                    \
        return table;                                                                            \
    }                                                                                            \
    inline double Tuned(Floor name) { return Floor##Tuning().Value(static_cast<size_t>(name)); } \
    inline int TunedInt(Floor name) { return static_cast<int>(std::lround(Tuned(name))); }
