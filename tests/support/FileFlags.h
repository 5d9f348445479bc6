#pragma once

#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Sets a file system attribute flag on a file or folder for the life of the object
// (FS_IMMUTABLE_FL: nothing may change it; FS_APPEND_FL on a folder: entries may be
// added but none removed or replaced). Unlike permission bits these bind root too.
// applied() is false where the file system or the process cannot set them.
class FileFlagGuard {
public:
    FileFlagGuard(const QString& path, int flag) : path_(path.toLocal8Bit()), flag_(flag)
    {
        applied_ = change(true);
    }
    ~FileFlagGuard()
    {
        if (applied_)
            change(false);
    }
    FileFlagGuard(const FileFlagGuard&) = delete;
    FileFlagGuard& operator=(const FileFlagGuard&) = delete;

    bool applied() const { return applied_; }

private:
    bool change(bool set)
    {
        const int fd = ::open(path_.constData(), O_RDONLY | O_NONBLOCK);
        if (fd < 0)
            return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = set ? (flags | flag_) : (flags & ~flag_);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }

    QByteArray path_;
    int flag_;
    bool applied_ = false;
};
