#include "FlashMemory.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
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

// Writes the image under a temporary name and renames it into place, so that a process
// killed half-way never leaves a short flash file behind.
bool createFile(const std::string& path, const std::vector<uint8_t>& image, std::string& error)
{
    const std::string temporary = path + ".new." + std::to_string(::getpid());
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
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
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        error = describeErrno("cannot create the flash file", path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
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
    const int savedErrno = errno;
    ::close(fd); // the mapping keeps the file
    if (map == MAP_FAILED) {
        errno = savedErrno;
        error = describeErrno("cannot map the flash file", path);
        return nullptr;
    }
    std::unique_ptr<FlashMemory> flash(new FlashMemory);
    flash->bytes_ = static_cast<uint8_t*>(map);
    flash->mapped_ = true;
    return flash;
}

FlashMemory::~FlashMemory()
{
    if (mapped_) {
        ::msync(bytes_, kSize, MS_ASYNC);
        ::munmap(bytes_, kSize);
    }
}

bool FlashMemory::eraseSectors(uint32_t firstSector, uint32_t count)
{
    if (firstSector > kSectorCount || count > kSectorCount - firstSector)
        return false;
    std::memset(bytes_ + firstSector * kSectorSize, 0xFF, count * kSectorSize);
    return true;
}

bool FlashMemory::program(uint32_t address, const uint8_t* data, size_t length)
{
    if (!inRange(address, length))
        return false;
    for (size_t i = 0; i < length; ++i)
        bytes_[address + i] &= data[i];
    return true;
}

bool FlashMemory::read(uint32_t address, uint8_t* out, size_t length) const
{
    if (!inRange(address, length))
        return false;
    std::copy_n(bytes_ + address, length, out);
    return true;
}

bool FlashMemory::overwrite(uint32_t address, const uint8_t* data, size_t length)
{
    if (!inRange(address, length))
        return false;
    std::copy_n(data, length, bytes_ + address);
    return true;
}

} // namespace sim
