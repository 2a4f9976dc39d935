#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

// Above this size the buffer lives in its own mapping: mremap grows it by moving page tables
// instead of bytes. Its pages are populated a step ahead of the writes, one call per 2 MiB,
// instead of one fault per 4 KiB page: filling captured output from a pipe then runs at about
// the pipe's speed. (Huge pages were faster on average but stalled for a second at times while
// the kernel compacted memory for them.)
constexpr size_t kMapThreshold = 2u << 20;
constexpr size_t kPopulateStep = 2u << 20;
#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23
#endif

bool IsMapped(size_t capacity) {
    return capacity >= kMapThreshold;
}

void Release(char* data, size_t capacity) {
    if (!data)
        return;
    if (IsMapped(capacity))
        ::munmap(data, capacity);
    else
        std::free(data);
}

} // namespace

ByteStream::ByteStream(std::string_view bytes) {
    Assign(bytes);
}

ByteStream::~ByteStream() {
    Release(data_, capacity_);
}

ByteStream::ByteStream(ByteStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), position_(std::exchange(other.position_, 0)),
      populated_(std::exchange(other.populated_, 0)) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
    if (this != &other) {
        Release(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        position_ = std::exchange(other.position_, 0);
        populated_ = std::exchange(other.populated_, 0);
    }
    return *this;
}

void ByteStream::Grow(size_t needed) {
    if (needed <= capacity_)
        return;
    size_t capacity = std::max<size_t>({needed, capacity_ * 2, 16 * 1024});
    if (!IsMapped(capacity)) {
        auto* grown = static_cast<char*>(std::realloc(data_, capacity));
        if (!grown)
            throw std::bad_alloc();
        data_ = grown;
        capacity_ = capacity;
        return;
    }
    capacity = (capacity + kMapThreshold - 1) / kMapThreshold * kMapThreshold;
    void* grown;
    if (IsMapped(capacity_)) {
        grown = ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
    } else {
        grown =
            ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED && size_)
            std::memcpy(grown, data_, size_);
        if (grown != MAP_FAILED)
            std::free(data_);
    }
    if (grown == MAP_FAILED)
        throw std::bad_alloc();
    if (!IsMapped(capacity_))
        populated_ = 0;
    data_ = static_cast<char*>(grown);
    capacity_ = capacity;
}

void ByteStream::Write(const void* bytes, size_t count) {
    if (count == 0)
        return;
    Grow(position_ + count);
    std::memcpy(data_ + position_, bytes, count);
    position_ += count;
    size_ = std::max(size_, position_);
}

size_t ByteStream::Read(void* bytes, size_t count) {
    size_t n = std::min(count, size_ - position_);
    if (n)
        std::memcpy(bytes, data_ + position_, n);
    position_ += n;
    return n;
}

void ByteStream::Append(std::string_view bytes) {
    if (bytes.empty())
        return;
    std::memcpy(Reserve(bytes.size()), bytes.data(), bytes.size());
    size_ += bytes.size();
}

void ByteStream::Assign(std::string_view bytes) {
    size_ = 0;
    position_ = 0;
    Append(bytes);
}

void ByteStream::Clear() {
    size_ = 0;
    position_ = 0;
}

char* ByteStream::Reserve(size_t count) {
    Grow(size_ + count);
    if (IsMapped(capacity_) && size_ + count > populated_) {
        size_t end = std::min(capacity_,
                              (size_ + count + kPopulateStep - 1) / kPopulateStep * kPopulateStep);
        // An older kernel without this advice simply faults the pages in as they are written.
        ::madvise(data_ + populated_, end - populated_, MADV_POPULATE_WRITE);
        populated_ = end;
    }
    return data_ + size_;
}

void ByteStream::Commit(size_t count) {
    size_ = std::min(size_ + count, capacity_);
}
