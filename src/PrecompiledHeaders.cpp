// The object that owns the libraries' precompiled header (FW_COMMON_HEADERS in
// CMakeLists.txt); it defines nothing.
