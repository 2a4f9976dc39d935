#pragma once
// A growable byte buffer with a read/write position, shared by the process runner, the
// converter and the text windows. It grows geometrically through realloc, which for large
// blocks moves pages instead of bytes, so captured output costs little more than itself.

#include <cstddef>
#include <string>
#include <string_view>

class ByteStream {
public:
    ByteStream() = default;
    explicit ByteStream(std::string_view bytes);
    ~ByteStream();
    ByteStream(ByteStream&& other) noexcept;
    ByteStream& operator=(ByteStream&& other) noexcept;
    ByteStream(const ByteStream&) = delete;
    ByteStream& operator=(const ByteStream&) = delete;

    const char* Data() const { return data_; }
    size_t Size() const { return size_; }
    size_t Capacity() const { return capacity_; }
    bool Empty() const { return size_ == 0; }
    size_t Position() const { return position_; }
    void SetPosition(size_t position) { position_ = position > size_ ? size_ : position; }

    // Writes at the position, overwriting and extending as needed; the position moves on.
    void Write(const void* bytes, size_t count);
    // Reads from the position; answers the number of bytes read.
    size_t Read(void* bytes, size_t count);
    // Appends at the end without touching the position.
    void Append(std::string_view bytes);
    // Replaces the whole content; the position goes back to 0.
    void Assign(std::string_view bytes);
    // Empties the stream; the memory is kept for the next use.
    void Clear();

    // Makes room for count more bytes at the end and answers where they go. After filling
    // some of them, Commit tells how many became content. Lets a reader fill the buffer
    // straight from a file descriptor with no intermediate copy.
    char* Reserve(size_t count);
    void Commit(size_t count);

    std::string_view View() const { return {data_ ? data_ : "", size_}; }
    std::string ToString() const { return std::string(View()); }

private:
    void Grow(size_t needed);

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t position_ = 0;
    size_t populated_ = 0; // mapped buffers: bytes from the start whose pages are in place
};
