#pragma once

#include <QString>

class QWidget;

// The choice of FirmwareUpdateButSlot(): the image file of the last update when it still
// exists, else the file dialog; then the three-button box titled "Update" that names the
// file: "Update" takes it, "Re-election" chooses another (and asks again), "Cancel" ends.
// Returns the confirmed path, empty when the operator gave up.
QString chooseFirmwareImage(QWidget* parent, const QString& lastImage);
