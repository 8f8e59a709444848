#include "run/RunState.h"

#include <utility>

#include "run/PathText.h"

namespace quilbex {

Clock SystemClock() {
    return [] {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return local;
    };
}

RunState::RunState(WindowOps& window, docuworks::Api& engine, std::vector<std::string> args,
                   Clock clock)
    : window(window),
      engine(engine),
      args(std::move(args)),
      clock(std::move(clock)),
      outcome(!this->args.empty()) {}

std::string RunState::SourceExtension() const {
    const std::string ext = ExtractFileExt(Source());
    return ext.empty() ? ext : ext.substr(1);
}

}  // namespace quilbex
