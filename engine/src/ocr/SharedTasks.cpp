#include "ocr/SharedTasks.h"

#include <utility>

namespace xdw {

namespace {

thread_local const RunTasks* current = nullptr;

}  // namespace

SharedTasksScope::SharedTasksScope(RunTasks run) : run_(std::move(run)), outer_(current) {
    current = &run_;
}

SharedTasksScope::~SharedTasksScope() { current = outer_; }

void RunSharedTasks(int count, const std::function<void(int)>& task) {
    if (current != nullptr && count > 1) {
        (*current)(count, task);
        return;
    }
    for (int i = 0; i < count; ++i) task(i);
}

}  // namespace xdw
