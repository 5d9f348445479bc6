#pragma once

#include <QJsonObject>

// --json: one compact JSON object per line on stdout, for scripts.
void printJson(const QJsonObject& object);
