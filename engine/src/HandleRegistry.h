// Live objects behind the opaque handles of the C calls. A handle is a number
// that is never given out twice, so a stale or made-up handle is always
// recognised instead of reaching freed memory. Safe to use from any thread.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace xdw {

template <typename T, typename Handle>
class HandleRegistry {
public:
    Handle Add(std::shared_ptr<T> item) {
        std::lock_guard lock(mutex_);
        const std::uintptr_t key = ++last_;
        items_.emplace(key, std::move(item));
        return reinterpret_cast<Handle>(key);
    }

    // The object behind handle, or null when the handle is not live.
    std::shared_ptr<T> Find(Handle handle) const {
        std::lock_guard lock(mutex_);
        const auto it = items_.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == items_.end() ? nullptr : it->second;
    }

    // Ends handle; false when it was not live.
    bool Remove(Handle handle) {
        std::lock_guard lock(mutex_);
        return items_.erase(reinterpret_cast<std::uintptr_t>(handle)) != 0;
    }

    // Ends every handle and gives back what they named.
    std::vector<std::shared_ptr<T>> TakeAll() {
        std::map<std::uintptr_t, std::shared_ptr<T>> taken;
        {
            std::lock_guard lock(mutex_);
            taken.swap(items_);
        }
        std::vector<std::shared_ptr<T>> items;
        for (auto& [key, item] : taken) items.push_back(std::move(item));
        return items;
    }

private:
    mutable std::mutex mutex_;
    std::map<std::uintptr_t, std::shared_ptr<T>> items_;
    std::uintptr_t last_ = 0;
};

}  // namespace xdw
