#include "ui/maintenance/FpgaDownloadPanel.h"

#include "app/TextIds.h"
#include "maintenance/FpgaDownload.h"
#include "ui/widgets/FileChoice.h"

FpgaDownloadPanel::FpgaDownloadPanel(QWidget* parent, const QRect& designRect, double scale,
                                     Device& device)
    : WorkerPathPanel(parent, designRect, scale, kTextFpgaDownload, kTextDownload,
                      QString::fromLatin1(file_choice::kBinFilter), device)
{
}

bool FpgaDownloadPanel::startDownload()
{
    return !running() && start(std::make_unique<BurnFPGAThread>(device(), path(), lines()));
}
