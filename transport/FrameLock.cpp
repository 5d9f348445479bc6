#include "transport/FrameLock.h"

#include "app/RuntimeHome.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLockFile>

FrameLock::FrameLock() = default;

FrameLock::~FrameLock()
{
    release();
}

bool FrameLock::acquire(const QString& key, int waitMs, QString& error)
{
    release();
    if (key.isEmpty())
        return true;
    const QString folder = runtime_home::runtimeFolder();
    QDir().mkpath(folder);
    const QByteArray name =
        QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    auto file = std::make_unique<QLockFile>(folder + QStringLiteral("/vireto-frame-") +
                                            QString::fromLatin1(name) + QStringLiteral(".lock"));
    file->setStaleLockTime(0); // held for as long as its process lives
    if (file->tryLock(waitMs)) {
        file_ = std::move(file);
        return true;
    }
    qint64 pid = 0;
    QString host;
    QString program;
    if (file->error() == QLockFile::LockFailedError && file->getLockInfo(&pid, &host, &program))
        error = QStringLiteral("the frame (%1) is in use by %2 (process %3); try again when it "
                               "has finished")
                    .arg(key, program.isEmpty() ? QStringLiteral("another program") : program)
                    .arg(pid);
    else
        error = QStringLiteral("cannot lock the frame (%1) in %2").arg(key, folder);
    return false;
}

void FrameLock::release()
{
    if (file_)
        file_->unlock();
    file_.reset();
}
