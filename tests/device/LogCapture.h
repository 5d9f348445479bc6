#pragma once

#include "app/AppContext.h"

#include "tests/support/TempDir.h"

#include <QFile>

// Points the process's log at a scratch folder for one test and reads it back.
class LogCapture {
public:
    LogCapture()
    {
        appContext().log.setRoot(dir_.file("log"));
        appContext().log.startRun(1, 0);
    }
    ~LogCapture() { appContext().log.setRoot(QStringLiteral("log")); }

    QByteArray text() const
    {
        QFile f(appContext().log.logPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    bool contains(const char* line) const { return text().contains(line); }

private:
    ScratchDir dir_;
};
