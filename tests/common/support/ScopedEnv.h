// Sets (or removes) an environment variable for one test and puts the old
// value back afterwards. Tests only: nothing else may change the environment
// once threads run.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace quilbex::testing {

class ScopedEnv {
public:
    // value nullptr removes the variable.
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value != nullptr) {
            ::setenv(name, value, 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedEnv(const char* name, const std::string& value) : ScopedEnv(name, value.c_str()) {}
    ~ScopedEnv() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

}  // namespace quilbex::testing
