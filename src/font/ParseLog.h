#pragma once
// Where a font parse reports: the listing of what it reads, printed to the font
// console when one is set and to nowhere otherwise, and the reason it stopped.

#include <cstdio>
#include <string>

namespace fw::veltrane {

class ParseLog {
public:
    explicit ParseLog(std::FILE* console) : console_(console) {}

    bool listing() const { return console_ != nullptr; }
    void say(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Keeps `what` as the reason and returns false, for `return log.fail(...)`.
    bool fail(std::string what);
    const std::string& error() const { return error_; }

private:
    std::FILE* console_;
    std::string error_;
};

}  // namespace fw::veltrane
