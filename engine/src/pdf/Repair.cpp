#include "pdf/Repair.h"

#include <mutex>

namespace xdw {

namespace {

std::mutex mutex;
std::string lastRepair;

}  // namespace

void SetSourceRepair(const std::string& note) {
    std::lock_guard lock(mutex);
    lastRepair = note;
}

std::string SourceRepair() {
    std::lock_guard lock(mutex);
    return lastRepair;
}

}  // namespace xdw
