#pragma once
// Real files for tests: a fresh folder removed with everything in it at the end.

#include <functional>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder, without a trailing '/'.
    const std::string& Path() const { return path_; }
    // Path() + "/" + name
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::string Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string path_;
};

std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);

// Runs body in a forked child without root's powers (as nobody when the tests run as root),
// so that permission checks really apply. Answers what body answered; false if it crashed.
bool RunUnprivileged(const std::function<bool()>& body);
