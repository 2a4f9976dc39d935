#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

// Above this size the buffer lives in its own mapping: mremap grows it by moving page tables
// instead of bytes, and transparent huge pages cut the page faults of filling it by 512.
constexpr size_t kMapThreshold = 2u << 20;

bool IsMapped(size_t capacity) { return capacity >= kMapThreshold; }

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
      capacity_(std::exchange(other.capacity_, 0)), position_(std::exchange(other.position_, 0)) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
    if (this != &other) {
        Release(data_, capacity_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        position_ = std::exchange(other.position_, 0);
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
        grown = ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (grown != MAP_FAILED && size_)
            std::memcpy(grown, data_, size_);
        if (grown != MAP_FAILED)
            std::free(data_);
    }
    if (grown == MAP_FAILED)
        throw std::bad_alloc();
    ::madvise(grown, capacity, MADV_HUGEPAGE);
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
    return data_ + size_;
}

void ByteStream::Commit(size_t count) {
    size_ = std::min(size_ + count, capacity_);
}
