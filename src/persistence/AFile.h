#pragma once
// The file object behind disk streams. Files opened for writing are written to a
// temporary file beside the target and renamed over it on close, so an
// interrupted or failed save never loses the previous version.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fw {

class AFile {
public:
    AFile() = default;
    ~AFile();  // an unfinished write is abandoned; the target stays as it was
    AFile(const AFile&) = delete;
    AFile& operator=(const AFile&) = delete;

    bool openRead(const std::string& path);
    // bufferSize 0 writes straight through.
    bool openWrite(const std::string& path, size_t bufferSize = 0);
    // The whole file in one go, replacing the target only once every byte is written.
    static bool writeWhole(const std::string& path, const void* data, size_t size);

    // Bytes read, 0 at the end of the file, -1 on error.
    long read(void* data, size_t count);
    bool write(const void* data, size_t count);
    bool seek(int64_t offset);
    bool flush();
    // Finishes the file; for a write, flushes, syncs and renames it into place.
    bool close();
    // Drops an unfinished write (the temporary file is removed).
    void abandon();

    bool isOpen() const { return fd_ >= 0; }
    bool writing() const { return writing_; }
    const std::string& path() const { return path_; }
    // What went wrong last, in the system's words ("No such file or directory").
    const std::string& error() const { return error_; }

private:
    bool fail();
    bool notRegular();

    int fd_ = -1;
    bool writing_ = false;
    bool failed_ = false;
    std::string path_;
    std::string temporary_;
    std::string error_;
    std::vector<uint8_t> buffer_;
    size_t buffered_ = 0;
};

}  // namespace fw
