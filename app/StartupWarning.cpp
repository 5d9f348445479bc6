#include "app/StartupWarning.h"

#include <QMessageBox>
#include <QTimer>

#include <cstdio>

void showStartupWarning(const QString& text)
{
    std::fprintf(stderr, "Touch Screen: %s\n", text.toLocal8Bit().constData());
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Touch Screen"), text, QMessageBox::Ok);
    bool ok = false;
    const int timeoutMs = qEnvironmentVariableIntValue("VIRETO_BOX_TIMEOUT_MS", &ok);
    if (ok && timeoutMs >= 0)
        QTimer::singleShot(timeoutMs, &box, &QMessageBox::accept);
    box.exec();
}
