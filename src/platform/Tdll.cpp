#include "platform/Tdll.h"

#include <dlfcn.h>

TDll::TDll(const std::string& fileName) : fileName_(fileName) {
    // RTLD_LOCAL keeps the library's symbols to itself; RTLD_NOW finds a broken one at once.
    handle_ = ::dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* err = ::dlerror();
        loadError_ = err ? err : "cannot load " + fileName;
    }
}

TDll::~TDll() {
    if (handle_)
        ::dlclose(handle_);
}

void* TDll::GetProc(const char* name) const {
    return handle_ ? ::dlsym(handle_, name) : nullptr;
}
