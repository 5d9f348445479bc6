#include "app/SingleInstance.h"
#include "app/RuntimeHome.h"

#include <QDir>

SingleInstanceGuard::SingleInstanceGuard(const QString& name)
    : path_(QDir(runtime_home::runtimeFolder()).filePath(name + QStringLiteral(".lock")))
{
}

bool SingleInstanceGuard::acquire()
{
    lock_ = std::make_unique<QLockFile>(path_);
    // A running copy holds its lock for hours; only a dead owner makes a lock stale.
    lock_->setStaleLockTime(0);
    return lock_->tryLock(0);
}
