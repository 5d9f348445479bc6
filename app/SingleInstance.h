#pragma once

#include <QLockFile>
#include <QString>

#include <memory>

// Keeps a second copy of the tool from running: a lock file named after "TouchScreen"
// in the temporary folder, held until the process ends. A lock left behind by a copy
// that died is taken over.
class SingleInstanceGuard {
public:
    explicit SingleInstanceGuard(const QString& name = QStringLiteral("TouchScreen"));
    // True when this process now holds the lock; false when another copy runs.
    bool acquire();
    QString lockPath() const { return path_; }

private:
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};
