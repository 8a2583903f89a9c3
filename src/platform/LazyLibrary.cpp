#include "platform/LazyLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace fw {

bool LazyLibrary::load() {
    std::call_once(once_, [this] {
        for (const std::string& name : names_) {
            handle_ = ::dlopen(name.c_str(), RTLD_NOW | RTLD_GLOBAL);
            if (handle_) return;
            if (error_.empty()) error_ = ::dlerror();
        }
    });
    return handle_ != nullptr;
}

void* LazyLibrary::symbol(const char* name) {
    if (!load()) {
        std::fprintf(stderr, "formwright: cannot load a library it needs: %s\n", error_.c_str());
        std::exit(70);
    }
    void* address = ::dlsym(handle_, name);
    if (!address) {
        std::fprintf(stderr, "formwright: %s lacks %s, which this program needs\n", names_.front().c_str(), name);
        std::exit(70);
    }
    return address;
}

}  // namespace fw
