#include "platform/ByteStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

ByteStream::ByteStream(std::string_view bytes) {
    Assign(bytes);
}

ByteStream::~ByteStream() {
    std::free(data_);
}

ByteStream::ByteStream(ByteStream&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)), position_(std::exchange(other.position_, 0)) {}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
    if (this != &other) {
        std::free(data_);
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
    auto* grown = static_cast<char*>(std::realloc(data_, capacity));
    if (!grown)
        throw std::bad_alloc();
    data_ = grown;
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
