// Where converted bytes go. A converter writes at cur up to end and asks for more room when
// it runs out; what "more room" means is the sink's business.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

namespace nkf {

class Sink {
public:
    virtual ~Sink() = default;
    // Afterwards cur < end.
    virtual void MoreRoom() = 0;

    void Put(const char* bytes, size_t count) {
        while (count > 0) {
            if (cur == end)
                MoreRoom();
            size_t n = static_cast<size_t>(end - cur);
            if (n > count)
                n = count;
            std::memcpy(cur, bytes, n);
            cur += n;
            bytes += n;
            count -= n;
        }
    }
    void Put(char c) {
        if (cur == end)
            MoreRoom();
        *cur++ = c;
    }

    char* cur = nullptr;
    char* end = nullptr;
};

// The caller's buffer. When it is full the rest of the output only gets counted, in a scratch
// window, so that the caller learns the size it needs.
class FixedSink : public Sink {
public:
    FixedSink(char* out, size_t size) : start_(out) {
        cur = out;
        end = out ? out + size : out;
    }
    void MoreRoom() override {
        done_ += static_cast<size_t>(cur - start_);
        overflow_ = true;
        start_ = cur = scratch_;
        end = scratch_ + sizeof scratch_;
    }
    size_t Total() const { return done_ + static_cast<size_t>(cur - start_); }
    bool Overflow() const { return overflow_; }

private:
    char* start_;
    size_t done_ = 0;
    bool overflow_ = false;
    char scratch_[16384];
};

// A buffer of our own that grows as needed: for the intermediate form of two-step conversions.
class GrowSink : public Sink {
public:
    explicit GrowSink(size_t expected) {
        buf_.resize(expected < 64 ? 64 : expected);
        cur = buf_.data();
        end = cur + buf_.size();
    }
    void MoreRoom() override {
        size_t used = Size();
        buf_.resize(buf_.size() * 2);
        cur = buf_.data() + used;
        end = buf_.data() + buf_.size();
    }
    const char* Data() const { return buf_.data(); }
    size_t Size() const { return static_cast<size_t>(cur - buf_.data()); }

private:
    std::string buf_;
};

} // namespace nkf
