#include "device/DeviceInfoWorkbook.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

#include <xlsxwriter.h>

#include <unistd.h>

namespace {

bool appendLine(const QString& path, const QByteArray& line, QString& error)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append)) {
        error = QStringLiteral("cannot open %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.write(line) != line.size() || !file.flush() || ::fsync(file.handle()) != 0) {
        error = QStringLiteral("cannot write %1").arg(path);
        return false;
    }
    return true;
}

} // namespace

DeviceInfoWorkbook::DeviceInfoWorkbook(QString folder) : folder_(std::move(folder)) {}

QString DeviceInfoWorkbook::workbookPath() const
{
    return QDir(folder_).filePath(QString::fromLatin1(kWorkbookName));
}

QString DeviceInfoWorkbook::rowsPath() const
{
    return QDir(folder_).filePath(QString::fromLatin1(kRowsName));
}

QStringList DeviceInfoWorkbook::header()
{
    return {QStringLiteral("DeviceID"),
            QStringLiteral("InfoVersion"),
            QStringLiteral("FactoryName"),
            QStringLiteral("CustomerName"),
            QStringLiteral("Producer"),
            QStringLiteral("ManufDate"),
            QStringLiteral("BatchNumber"),
            QStringLiteral("LotNumber"),
            QStringLiteral("EncrypWord"),
            QStringLiteral("ProductModel"),
            QStringLiteral("SupportFeature"),
            QStringLiteral("WriteCounter"),
            QStringLiteral("ScreenWidth"),
            QStringLiteral("ScreenHeight"),
            QStringLiteral("ExposureGain"),
            QStringLiteral("ExposureTime"),
            QStringLiteral("StartLine"),
            QStringLiteral("ToolVersion"),
            QStringLiteral("FirmwareVersion"),
            QStringLiteral("TemplateVersion"),
            QStringLiteral("BootloaderVersion"),
            QStringLiteral("ImageWidth"),
            QStringLiteral("PreviewLines"),
            QStringLiteral("Date"),
            QStringLiteral("Time")};
}

std::vector<QStringList> DeviceInfoWorkbook::rows() const
{
    std::vector<QStringList> rows;
    QFile file(rowsPath());
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    while (!file.atEnd()) {
        const QJsonDocument doc = QJsonDocument::fromJson(file.readLine().trimmed());
        if (!doc.isArray())
            continue;
        QStringList row;
        for (const QJsonValue& cell : doc.array())
            row << cell.toString();
        rows.push_back(row);
    }
    return rows;
}

bool DeviceInfoWorkbook::append(const QStringList& row, QString& error)
{
    if (row.size() != header().size()) {
        error = QStringLiteral("a workbook row has %1 cells, not %2")
                    .arg(row.size())
                    .arg(header().size());
        return false;
    }
    QJsonArray cells;
    for (const QString& cell : row)
        cells.append(cell);
    if (!appendLine(rowsPath(), QJsonDocument(cells).toJson(QJsonDocument::Compact) + '\n', error))
        return false;
    return writeWorkbook(rows(), error);
}

bool DeviceInfoWorkbook::writeWorkbook(const std::vector<QStringList>& rows, QString& error) const
{
    const QString temporary = workbookPath() + QStringLiteral(".part");
    QFile::remove(temporary);
    const QByteArray path = QFile::encodeName(temporary);
    lxw_workbook* workbook = workbook_new(path.constData());
    if (!workbook) {
        error = QStringLiteral("cannot create %1").arg(temporary);
        return false;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "DeviceInfo");
    const QStringList titles = header();
    for (int c = 0; c < titles.size(); ++c)
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), titles[c].toUtf8().constData(),
                               nullptr);
    for (size_t r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < rows[r].size(); ++c)
            worksheet_write_string(sheet, static_cast<lxw_row_t>(r + 1), static_cast<lxw_col_t>(c),
                                   rows[r][c].toUtf8().constData(), nullptr);
    }
    const lxw_error closed = workbook_close(workbook);
    if (closed != LXW_NO_ERROR) {
        error = QStringLiteral("cannot write %1: %2")
                    .arg(temporary, QString::fromLatin1(lxw_strerror(closed)));
        QFile::remove(temporary);
        return false;
    }
    // On disk before it takes the old workbook's place, so a crash leaves one or the other.
    if (QFile written(temporary); written.open(QIODevice::ReadOnly))
        ::fsync(written.handle());
    if (::rename(path.constData(), QFile::encodeName(workbookPath()).constData()) != 0) {
        error = QStringLiteral("cannot replace %1").arg(workbookPath());
        QFile::remove(temporary);
        return false;
    }
    return true;
}
