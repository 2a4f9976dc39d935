#include "platform/ByteStream.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <unistd.h>
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

const size_t kPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));

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
    Release();
}

ByteStream::ByteStream(ByteStream&& other) noexcept {
    *this = std::move(other);
}

ByteStream& ByteStream::operator=(ByteStream&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        capacity_ = std::exchange(other.capacity_, 0);
        position_ = std::exchange(other.position_, 0);
        populated_ = std::exchange(other.populated_, 0);
        forgotten_ = std::exchange(other.forgotten_, 0);
        spillAbove_ = std::exchange(other.spillAbove_, static_cast<size_t>(-1));
        limit_ = std::exchange(other.limit_, static_cast<size_t>(-1));
        spillFolder_ = std::move(other.spillFolder_);
        spillFd_ = std::exchange(other.spillFd_, -1);
    }
    return *this;
}

void ByteStream::Release() {
    if (spillFd_ >= 0) {
        ::munmap(data_, capacity_);
        ::close(spillFd_);
        spillFd_ = -1;
    } else {
        ::Release(data_, capacity_);
    }
    data_ = nullptr;
    size_ = capacity_ = position_ = populated_ = forgotten_ = 0;
}

void ByteStream::SpillAbove(size_t above, std::string folder) {
    spillAbove_ = above;
    spillFolder_ = std::move(folder);
}

bool ByteStream::GrowSpilled(size_t capacity) {
    // The blocks are allocated before the pages are written: a full disk must answer here,
    // not as a SIGBUS on a write into the mapping.
    if (spillFd_ >= 0) {
        if (::posix_fallocate(spillFd_, 0, static_cast<off_t>(capacity)) != 0)
            return false;
        void* grown = ::mremap(data_, capacity_, capacity, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED)
            return false;
        data_ = static_cast<char*>(grown);
        capacity_ = capacity;
        return true;
    }
    // VEXIL_NO_O_TMPFILE takes the way of a file system that refuses unnamed files (ext4 never
    // does), so that way can be tried on any machine.
    int fd = std::getenv("VEXIL_NO_O_TMPFILE")
                 ? -1
                 : ::open(spillFolder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0) { // a file system without unnamed files: a named one, gone at once
        std::string pattern = spillFolder_ + "/vexil-output-XXXXXX";
        fd = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0)
            ::unlink(pattern.c_str());
    }
    if (fd < 0)
        return false;
    // The content goes in by write, not through the mapping: its pages then sit in the page
    // cache instead of counting twice in this process while the old buffer still exists.
    bool written = ::posix_fallocate(fd, 0, static_cast<off_t>(capacity)) == 0;
    for (size_t done = 0; written && done < size_;) {
        const ssize_t n = ::pwrite(fd, data_ + done, size_ - done, static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        written = n > 0;
        done += written ? static_cast<size_t>(n) : 0;
    }
    void* mapped =
        written ? ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0) : MAP_FAILED;
    if (mapped == MAP_FAILED) {
        ::close(fd);
        return false;
    }
    const size_t size = size_, position = position_;
    Release();
    data_ = static_cast<char*>(mapped);
    size_ = populated_ = size;
    position_ = position;
    capacity_ = capacity;
    spillFd_ = fd;
    return true;
}

bool ByteStream::LeaveSpillFile(size_t capacity) {
    void* memory =
        ::mmap(nullptr, capacity, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return false;
    std::memcpy(memory, data_, size_);
    ::munmap(data_, capacity_);
    ::close(spillFd_);
    spillFd_ = -1;
    spillAbove_ = static_cast<size_t>(-1);
    data_ = static_cast<char*>(memory);
    capacity_ = capacity;
    populated_ = size_;
    return true;
}

void ByteStream::Grow(size_t needed) {
    if (needed <= capacity_)
        return;
    if (needed > limit_)
        throw std::bad_alloc();
    size_t capacity = std::max<size_t>({needed, capacity_ * 2, 16 * 1024});
    if (spillFd_ >= 0 || (capacity > spillAbove_ && IsMapped(capacity))) {
        capacity = (capacity + kMapThreshold - 1) / kMapThreshold * kMapThreshold;
        if (GrowSpilled(capacity))
            return;
        if (spillFd_ >= 0) {
            // The disk is full: what the file holds goes back into memory, where the rest
            // goes on while memory allows, and the disk is not asked again.
            if (LeaveSpillFile(capacity))
                return;
            // Nor memory: nothing more is kept, and no more calls are made to learn it.
            limit_ = size_;
            throw std::bad_alloc();
        }
        spillAbove_ = static_cast<size_t>(-1); // no file to be had: memory as before
    }
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

char* ByteStream::TryReserve(size_t count) {
    if (count > limit_ - std::min(size_, limit_))
        return nullptr;
    try {
        return Reserve(count);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

char* ByteStream::Reserve(size_t count) {
    if (count > limit_ - std::min(size_, limit_))
        throw std::bad_alloc();
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
    if (spillFd_ >= 0 && size_ >= forgotten_ + kForgetStep) {
        // From the page the last call stopped in: a gigabyte is not walked again every step.
        ForgetPages(ForgottenFrom(forgotten_), size_);
        forgotten_ = size_;
    }
}

size_t ForgottenFrom(size_t offset) {
    return offset - std::min(offset, kPage);
}

void ForgetFilePages(const char* data, size_t from, size_t to) {
    const size_t page = kPage;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    from = (start + from + page - 1) / page * page - start;
    to = (start + to) / page * page - start;
    // A shared file mapping keeps its bytes in the file: the pages are only unmapped.
    if (data && from < to)
        ::madvise(const_cast<char*>(data) + from, to - from, MADV_DONTNEED);
}

void ByteStream::ForgetPages(size_t from, size_t to) {
    if (spillFd_ >= 0)
        ForgetFilePages(data_, from, std::min(to, size_));
}
