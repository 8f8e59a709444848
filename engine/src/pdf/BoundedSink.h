// A pipeline end that keeps at most a given number of bytes, so decoding a
// stream from a file can never fill memory with what the file claims.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include <qpdf/Pipeline.hh>
#include <qpdf/QPDFPageObjectHelper.hh>

namespace xdw {

class BoundedSink : public Pipeline {
public:
    // keep: whether the bytes are kept (else only counted).
    BoundedSink(uint64_t limit, bool keep);

    // Keeps or counts the bytes up to the limit; past it, it marks the sink
    // as full and throws, which makes qpdf stop decoding the stream.
    void write(unsigned char const* data, size_t len) override;
    void finish() override {}

    bool full() const { return full_; }
    uint64_t count() const { return count_; }
    const std::string& data() const { return data_; }

private:
    uint64_t limit_;
    bool keep_;
    bool full_ = false;
    uint64_t count_ = 0;
    std::string data_;
};

// Decodes the page's content streams one after the other into sink, as a
// reader sees them (a newline between streams), stopping as soon as the sink
// is full. qpdf's own pipeContents gathers all of it in memory first.
void PipePageContents(QPDFPageObjectHelper& page, BoundedSink& sink);

}  // namespace xdw
