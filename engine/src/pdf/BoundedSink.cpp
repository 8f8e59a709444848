#include "pdf/BoundedSink.h"

#include <algorithm>

namespace xdw {

BoundedSink::BoundedSink(uint64_t limit, bool keep)
    : Pipeline("bounded sink", nullptr), limit_(limit), keep_(keep) {}

void BoundedSink::write(unsigned char const* data, size_t len) {
    const uint64_t take = std::min<uint64_t>(len, limit_ - count_);
    count_ += take;
    if (keep_) data_.append(reinterpret_cast<const char*>(data), take);
    if (take < len) {
        full_ = true;
        throw std::length_error("stream decodes to more than allowed");
    }
}

void PipePageContents(QPDFPageObjectHelper& page, BoundedSink& sink) {
    bool first = true;
    for (QPDFObjectHandle stream : page.getPageContents()) {
        if (!first && !sink.full()) sink.write(reinterpret_cast<const unsigned char*>("\n"), 1);
        first = false;
        if (sink.full()) return;
        stream.pipeStreamData(&sink, 0, qpdf_dl_specialized);
    }
}

}  // namespace xdw
