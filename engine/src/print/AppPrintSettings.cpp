#include "print/AppPrintSettings.h"

#include <algorithm>
#include <mutex>

namespace xdw {

namespace {

std::mutex settingsMutex;
AppPrintSettings settings;

}  // namespace

AppPrintSettings CurrentAppPrintSettings() {
    std::lock_guard lock(settingsMutex);
    return settings;
}

void SetAppPrintSettings(const AppPrintSettings& value) {
    std::lock_guard lock(settingsMutex);
    settings = value;
}

std::chrono::milliseconds OfficeTimeLimit(std::uintmax_t bytes, const AppPrintSettings& settings) {
    const std::chrono::milliseconds scaled =
        std::chrono::minutes(1) +
        std::chrono::milliseconds(static_cast<std::int64_t>(bytes * 60'000 / (1u << 20)));
    return std::min(settings.timeLimit, scaled);
}

}  // namespace xdw
