#pragma once
// Shared libraries opened on first use. Image and movie codecs pull in well over a
// hundred libraries between them; a command that never reads an image or writes a
// movie should not pay for loading them at start-up.
//
// FW_LAZY_FUNCTION(library, name) declares, in the enclosing namespace, a function
// pointer constant `name` with the C function's exact signature that resolves the
// symbol on its first call. Being a variable, it hides the global function from
// unqualified calls (argument-dependent lookup included), so call sites stay as
// they are and the program never links the library itself.

#include <mutex>
#include <string>
#include <vector>

namespace fw {

class LazyLibrary {
public:
    // File names to try in order (the versioned name the headers were built for first).
    explicit LazyLibrary(std::vector<std::string> names) : names_(std::move(names)) {}
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;

    // Whether the library is open (opening it now if it was not).
    bool load();
    // The address of a function; a missing library or symbol ends the program with a
    // message naming it, since nothing sensible can follow a call into nowhere.
    void* symbol(const char* name);
    // Whether it has been opened in this process (for start-up checks).
    bool loaded() const { return handle_ != nullptr; }

private:
    std::vector<std::string> names_;
    std::once_flag once_;
    void* handle_ = nullptr;
    std::string error_;
};

template <class Tag, class F>
struct LazyFunction;

template <class Tag, class R, class... A>
struct LazyFunction<Tag, R (*)(A...)> {
    static R call(A... args) {
        static R (*const function)(A...) = reinterpret_cast<R (*)(A...)>(Tag::library().symbol(Tag::name));
        return function(args...);
    }
};

}  // namespace fw

#define FW_LAZY_FUNCTION(library_, name_)                                      \
    struct name_##_lazy {                                                       \
        static constexpr const char* name = #name_;                             \
        static ::fw::LazyLibrary& library() { return library_(); }              \
    };                                                                          \
    _Pragma("GCC diagnostic push")                                              \
    _Pragma("GCC diagnostic ignored \"-Wignored-attributes\"")                  \
    inline constexpr auto name_ = &::fw::LazyFunction<name_##_lazy, decltype(&::name_)>::call; \
    _Pragma("GCC diagnostic pop")
