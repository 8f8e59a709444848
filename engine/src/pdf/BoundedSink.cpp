#include "pdf/BoundedSink.h"

namespace xdw {

BoundedSink::BoundedSink(uint64_t limit, bool keep)
    : Pipeline("bounded sink", nullptr), limit_(limit), keep_(keep) {}

void BoundedSink::write(unsigned char const* data, size_t len) {
    if (full_ || len > limit_ - count_) {
        full_ = true;
        throw std::length_error("stream decodes to more than allowed");
    }
    count_ += len;
    if (keep_) data_.append(reinterpret_cast<const char*>(data), len);
}

}  // namespace xdw
