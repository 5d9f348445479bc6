#include "ui/maintenance/FirmwareFileChoice.h"

#include "app/AppContext.h"
#include "app/TextIds.h"
#include "ui/widgets/FileChoice.h"
#include "ui/widgets/MyMessageBox.h"

#include <QFileInfo>

QString chooseFirmwareImage(QWidget* parent, const QString& lastImage)
{
    const AppContext& app = appContext();
    auto dialog = [parent] {
        return file_choice::choose(parent, file_choice::Purpose::Open,
                                   QString::fromLatin1(file_choice::kBinFilter));
    };
    QString path = QFileInfo(lastImage).isFile() ? lastImage : dialog();
    while (!path.isEmpty()) {
        MyMessageBox box(
            parent, app.text(kTextUpdateTitle),
            app.text(kTextFile) + path + app.text(kTextConfirmUpdate), 3,
            {app.text(kTextChooseAgain), app.text(kTextUpdate), app.text(kTextCancel)});
        switch (box.run()) {
        case MyMessageBox::kOk:
            return path;
        case MyMessageBox::kChoose:
            path = dialog();
            break;
        default:
            return {};
        }
    }
    return {};
}
