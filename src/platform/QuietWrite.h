#pragma once
// Writing to a child's input without letting a child that stopped reading end this program
// with SIGPIPE.

#include <cstddef>
#include <string_view>

enum class WriteEnd {
    Done,   // every byte is written
    Full,   // the pipe takes no more now (non-blocking); poll says when it does
    Broken, // nobody reads any more
    Failed, // another error
};

// Writes bytes from written on, as far as fd takes them now, and moves written on. SIGPIPE is
// blocked for the calling thread while writing and a pending one taken back, so nothing else in
// the program sees a change.
WriteEnd WriteQuietly(int fd, std::string_view bytes, std::size_t& written);
