#pragma once
// A shared library loaded at run time: loads on construction, looks entry points up by name,
// releases the library when destroyed.

#include <string>

class TDll {
public:
    explicit TDll(const std::string& fileName);
    ~TDll();
    TDll(const TDll&) = delete;
    TDll& operator=(const TDll&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    // The entry point, or nullptr when the library lacks it or is not loaded.
    void* GetProc(const char* name) const;
    const std::string& FileName() const { return fileName_; }
    // What the loader said when loading failed.
    const std::string& LoadError() const { return loadError_; }

    template <typename F> F Proc(const char* name) const {
        return reinterpret_cast<F>(GetProc(name));
    }

private:
    std::string fileName_;
    std::string loadError_;
    void* handle_ = nullptr;
};
