#include "persistence/AFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/Folders.h"

namespace fw {

AFile::~AFile() {
    if (writing_)
        abandon();
    else if (fd_ >= 0)
        ::close(fd_);
}

bool AFile::fail() {
    error_ = std::strerror(errno);
    failed_ = true;
    return false;
}

bool AFile::notRegular() {
    error_ = "is not a regular file";
    failed_ = true;
    return false;
}

bool AFile::openRead(const std::string& path) {
    if (fd_ >= 0) close();
    path_ = path;
    failed_ = false;
    // A pipe would hold the open (and the read) forever, a folder or device reads as
    // an error or without end: only plain files are documents.
    if (Folders::isSpecialFile(path)) return notRegular();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) return fail();
    struct stat st;
    if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        return notRegular();
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    return true;
}

bool AFile::openWrite(const std::string& path, size_t bufferSize) {
    if (fd_ >= 0) close();
    path_ = path;
    failed_ = false;
    temporary_ = path + ".XXXXXX";
    std::vector<char> name(temporary_.begin(), temporary_.end());
    name.push_back(0);
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0) return fail();
    temporary_ = name.data();
    ::fchmod(fd_, Folders::replacementMode(path));
    writing_ = true;
    buffer_.assign(bufferSize, 0);
    buffered_ = 0;
    return true;
}

long AFile::read(void* data, size_t count) {
    if (fd_ < 0) return -1;
    for (;;) {
        ssize_t n = ::read(fd_, data, count);
        if (n >= 0) return static_cast<long>(n);
        if (errno != EINTR) {
            fail();
            return -1;
        }
    }
}

namespace {
bool writeAll(int fd, const uint8_t* p, size_t count) {
    while (count > 0) {
        ssize_t n = ::write(fd, p, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}
}  // namespace

bool AFile::write(const void* data, size_t count) {
    if (fd_ < 0 || failed_) return false;
    const auto* p = static_cast<const uint8_t*>(data);
    if (buffer_.empty()) return writeAll(fd_, p, count) || fail();
    if (buffered_ + count > buffer_.size() && !flush()) return false;
    if (count >= buffer_.size()) return writeAll(fd_, p, count) || fail();
    std::memcpy(buffer_.data() + buffered_, p, count);
    buffered_ += count;
    return true;
}

bool AFile::flush() {
    if (fd_ < 0 || failed_) return false;
    if (buffered_ == 0) return true;
    bool ok = writeAll(fd_, buffer_.data(), buffered_);
    buffered_ = 0;
    return ok || fail();
}

bool AFile::seek(int64_t offset) {
    if (fd_ < 0) return false;
    if (writing_ && !flush()) return false;
    return ::lseek(fd_, offset, SEEK_SET) == offset || fail();
}

bool AFile::close() {
    if (fd_ < 0) return !failed_;
    if (!writing_) {
        ::close(fd_);
        fd_ = -1;
        return true;
    }
    bool ok = flush() && (::fsync(fd_) == 0 || fail());
    if (::close(fd_) != 0 && ok) ok = fail();
    fd_ = -1;
    if (ok && ::rename(temporary_.c_str(), path_.c_str()) != 0) ok = fail();
    if (!ok) ::unlink(temporary_.c_str());
    writing_ = false;
    return ok;
}

void AFile::abandon() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (writing_) ::unlink(temporary_.c_str());
    writing_ = false;
}

bool AFile::writeWhole(const std::string& path, const void* data, size_t size) {
    AFile file;
    return file.openWrite(path) && file.write(data, size) && file.close();
}

}  // namespace fw
