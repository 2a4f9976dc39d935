#pragma once
// A growable byte buffer with a read/write position, shared by the process runner, the
// converter and the text windows. It grows geometrically through realloc, which for large
// blocks moves pages instead of bytes, so captured output costs little more than itself.
// Past a size it may be told, it moves into a private file that nobody else can open, so
// output larger than memory lives in the page cache and on disk instead of taking the
// program down.

#include <cstddef>
#include <string>
#include <string_view>

// Lets the whole pages within [from, to) of a shared file mapping at data leave memory: they
// stay in the file and come back when read.
void ForgetFilePages(const char* data, size_t from, size_t to);
// Where to start letting pages go when those before offset already went: the page offset ends
// in was kept, being only partly written.
size_t ForgottenFrom(size_t offset);

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
    // As Reserve, but nullptr where the room cannot be had (memory, disk, or the limit below)
    // instead of throwing std::bad_alloc.
    char* TryReserve(size_t count);

    // Beyond above bytes the content moves into an unnamed file in folder (one that is gone
    // with the stream, readable by this process alone). Where no such file can be made the
    // content stays in memory. Where the file system refuses unnamed files (or
    // VEXIL_NO_O_TMPFILE is set) the file is a named one, removed as soon as it is open.
    void SpillAbove(size_t above, std::string folder);
    bool Spilled() const { return spillFd_ >= 0; }
    // The bytes in [from, to) of a spilled stream leave this process's memory: they stay in the
    // file (the page cache) and come back when read. A stream in memory is left as it is. A
    // spilled stream does this itself behind what it has written, every kForgetStep bytes, so
    // a gigabyte of output does not stay resident beside the window that shows it.
    void ForgetPages(size_t from, size_t to);
    static constexpr size_t kForgetStep = size_t{4} << 20;
    // The content never grows past limit bytes: TryReserve answers nullptr instead.
    void SetLimit(size_t limit) { limit_ = limit; }
    // How many more bytes the limit allows.
    size_t Room() const { return size_ < limit_ ? limit_ - size_ : 0; }

    std::string_view View() const { return {data_ ? data_ : "", size_}; }
    std::string ToString() const { return std::string(View()); }

private:
    void Grow(size_t needed);
    bool GrowSpilled(size_t capacity);
    bool LeaveSpillFile(size_t capacity);
    void Release();

    char* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
    size_t position_ = 0;
    size_t forgotten_ = 0; // spilled: bytes written when the pages were last let go
    size_t populated_ = 0; // mapped buffers: bytes from the start whose pages are in place
    size_t spillAbove_ = static_cast<size_t>(-1);
    size_t limit_ = static_cast<size_t>(-1);
    std::string spillFolder_;
    int spillFd_ = -1;
};
