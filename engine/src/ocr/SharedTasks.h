// The parts of one page's reading that other threads may take on while its
// reader works through them too: a thread left with nothing of its own to
// read (the last page of a document, or its only one) helps with the regions
// of the page still being read, rather than wait for it.
#pragma once

#include <functional>

namespace xdw {

// Runs task(i) for each i < count and returns once all have run; rethrows
// the first error a task threw (the others not yet started are then left).
using RunTasks = std::function<void(int count, const std::function<void(int)>& task)>;

// Sends the calling thread's shared tasks to run for the scope's life.
class SharedTasksScope {
public:
    explicit SharedTasksScope(RunTasks run);
    ~SharedTasksScope();
    SharedTasksScope(const SharedTasksScope&) = delete;
    SharedTasksScope& operator=(const SharedTasksScope&) = delete;

private:
    RunTasks run_;
    const RunTasks* outer_;
};

// Runs task(i) for each i < count, in any order and on any thread the
// calling thread's scope shares them with; one after another here, in
// order, outside a scope. The tasks must be independent of one another.
void RunSharedTasks(int count, const std::function<void(int)>& task);

}  // namespace xdw
