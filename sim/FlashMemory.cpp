#include "sim/FlashMemory.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sim {
namespace {

std::string describeErrno(const std::string& what, const std::string& path)
{
    return what + " " + path + ": " + std::strerror(errno);
}

bool writeAll(int fd, const uint8_t* data, size_t length)
{
    while (length > 0) {
        const ssize_t n = ::write(fd, data, length);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

// A new temporary name beside path for every call, also between threads of a process.
std::string temporaryName(const std::string& path)
{
    static std::atomic<unsigned> serial{0};
    return path + ".new." + std::to_string(::getpid()) + "." + std::to_string(++serial);
}

// Holds a file's lock (flock) while it lives: the flash file's for one operation,
// exclusive to change the contents and shared to read them. Nothing to hold without
// a file (a flash in memory).
class FileLock {
public:
    FileLock(int fd, int kind) : fd_(fd)
    {
        if (fd_ >= 0)
            while (::flock(fd_, kind) != 0 && errno == EINTR) {
            }
    }
    ~FileLock()
    {
        if (fd_ >= 0)
            ::flock(fd_, LOCK_UN);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int fd_;
};

// Puts a complete file holding image at path unless a file is there already. It is
// written under a temporary name and then linked into place, which fails when the name
// is taken: a process killed half-way never leaves a short file behind, and of two
// processes that found the file missing at once the second uses the first one's file
// instead of replacing it under the first one's feet.
bool createFile(const std::string& path, const std::vector<uint8_t>& image, std::string& error)
{
    const std::string temporary = temporaryName(path);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = describeErrno("cannot create the flash file", temporary);
        return false;
    }
    if (!writeAll(fd, image.data(), image.size()) || ::fsync(fd) != 0) {
        error = describeErrno("cannot write the flash file", temporary);
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    ::close(fd);
    bool placed = ::link(temporary.c_str(), path.c_str()) == 0 || errno == EEXIST;
    if (!placed) {
        // A file system without hard links: rename, with the folder locked against
        // others doing the same, and only while the name is still free.
        const std::string folder = std::filesystem::path(path).parent_path().string();
        const int folderFd =
            ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        {
            const FileLock lock(folderFd, LOCK_EX);
            struct stat st {};
            placed =
                ::lstat(path.c_str(), &st) == 0 || ::rename(temporary.c_str(), path.c_str()) == 0;
            if (!placed)
                error = describeErrno("cannot create the flash file", path);
        }
        if (folderFd >= 0)
            ::close(folderFd);
    }
    ::unlink(temporary.c_str());
    return placed;
}

} // namespace

std::unique_ptr<FlashMemory> FlashMemory::inMemory(const std::vector<uint8_t>& image)
{
    std::unique_ptr<FlashMemory> flash(new FlashMemory);
    flash->owned_ = image;
    flash->owned_.resize(kSize, 0xFF);
    flash->bytes_ = flash->owned_.data();
    return flash;
}

std::unique_ptr<FlashMemory> FlashMemory::mappedFile(const std::string& path,
                                                     const std::vector<uint8_t>& initialImage,
                                                     std::string& error)
{
    error.clear();
    if (path.empty()) {
        error = "no flash file name given";
        return nullptr;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) {
            error = describeErrno("cannot use the flash file", path);
            return nullptr;
        }
        std::vector<uint8_t> image = initialImage;
        image.resize(kSize, 0xFF);
        if (!createFile(path, image, error))
            return nullptr;
    }

    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = describeErrno("cannot open the flash file", path);
        return nullptr;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "the flash file " + path + " is not a regular file";
        ::close(fd);
        return nullptr;
    }
    if (st.st_size != static_cast<off_t>(kSize)) {
        error = "the flash file " + path + " holds " + std::to_string(st.st_size) +
                " bytes; a frame's flash file holds exactly " + std::to_string(kSize) +
                " bytes (remove it to start from a factory-fresh frame)";
        ::close(fd);
        return nullptr;
    }
    void* map = ::mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        error = describeErrno("cannot map the flash file", path);
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<FlashMemory> flash(new FlashMemory);
    flash->bytes_ = static_cast<uint8_t*>(map);
    flash->mapped_ = true;
    flash->fd_ = fd; // kept for the lock around each operation
    return flash;
}

FlashMemory::~FlashMemory()
{
    if (mapped_) {
        ::msync(bytes_, kSize, MS_ASYNC);
        ::munmap(bytes_, kSize);
    }
    if (fd_ >= 0)
        ::close(fd_);
}

bool FlashMemory::eraseSectors(uint32_t firstSector, uint32_t count)
{
    if (firstSector > kSectorCount || count > kSectorCount - firstSector)
        return false;
    const FileLock lock(fd_, LOCK_EX);
    std::memset(bytes_ + firstSector * kSectorSize, 0xFF, count * kSectorSize);
    return true;
}

bool FlashMemory::program(uint32_t address, const uint8_t* data, size_t length)
{
    if (!inRange(address, length))
        return false;
    const FileLock lock(fd_, LOCK_EX);
    for (size_t i = 0; i < length; ++i)
        bytes_[address + i] &= data[i];
    return true;
}

bool FlashMemory::read(uint32_t address, uint8_t* out, size_t length) const
{
    if (!inRange(address, length))
        return false;
    const FileLock lock(fd_, LOCK_SH);
    std::copy_n(bytes_ + address, length, out);
    return true;
}

bool FlashMemory::overwrite(uint32_t address, const uint8_t* data, size_t length)
{
    if (!inRange(address, length))
        return false;
    const FileLock lock(fd_, LOCK_EX);
    std::copy_n(data, length, bytes_ + address);
    return true;
}

} // namespace sim
