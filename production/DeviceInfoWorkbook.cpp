#include "production/DeviceInfoWorkbook.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

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

const QString kDateKey = QStringLiteral("date");

QJsonValue toJson(const WorkbookCell& cell)
{
    switch (cell.kind) {
    case WorkbookCell::Kind::Number:
        return cell.number;
    case WorkbookCell::Kind::Date:
        return QJsonObject{{kDateKey, cell.date.toString(Qt::ISODate)}};
    case WorkbookCell::Kind::Text:
        break;
    }
    return cell.text;
}

WorkbookCell fromJson(const QJsonValue& value)
{
    if (value.isDouble())
        return WorkbookCell::ofNumber(value.toDouble());
    if (value.isObject())
        return WorkbookCell::ofDate(
            QDate::fromString(value.toObject().value(kDateKey).toString(), Qt::ISODate));
    return WorkbookCell::ofText(value.toString());
}

} // namespace

WorkbookCell WorkbookCell::ofText(const QString& text)
{
    WorkbookCell c;
    c.text = text;
    return c;
}

WorkbookCell WorkbookCell::ofNumber(double number)
{
    WorkbookCell c;
    c.kind = Kind::Number;
    c.number = number;
    return c;
}

WorkbookCell WorkbookCell::ofDate(const QDate& date)
{
    if (!date.isValid())
        return ofText(QString());
    WorkbookCell c;
    c.kind = Kind::Date;
    c.date = date;
    return c;
}

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

std::vector<WorkbookRow> DeviceInfoWorkbook::rows() const
{
    std::vector<WorkbookRow> rows;
    QFile file(rowsPath());
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    while (!file.atEnd()) {
        const QJsonDocument doc = QJsonDocument::fromJson(file.readLine().trimmed());
        if (!doc.isArray())
            continue;
        WorkbookRow row;
        for (const QJsonValue& cell : doc.array())
            row.push_back(fromJson(cell));
        rows.push_back(row);
    }
    return rows;
}

bool DeviceInfoWorkbook::append(const WorkbookRow& row, QString& error)
{
    if (static_cast<qsizetype>(row.size()) != header().size()) {
        error = QStringLiteral("a workbook row has %1 cells, not %2")
                    .arg(row.size())
                    .arg(header().size());
        return false;
    }
    QJsonArray cells;
    for (const WorkbookCell& cell : row)
        cells.append(toJson(cell));
    if (!appendLine(rowsPath(), QJsonDocument(cells).toJson(QJsonDocument::Compact) + '\n', error))
        return false;
    return writeWorkbook(rows(), error);
}

bool DeviceInfoWorkbook::writeWorkbook(const std::vector<WorkbookRow>& rows, QString& error) const
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
    lxw_format* dateFormat = workbook_add_format(workbook);
    format_set_num_format(dateFormat, "yyyy-mm-dd");
    const QStringList titles = header();
    for (int c = 0; c < titles.size(); ++c)
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), titles[c].toUtf8().constData(),
                               nullptr);
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        for (size_t c = 0; c < rows[r].size(); ++c) {
            const WorkbookCell& cell = rows[r][c];
            const auto col = static_cast<lxw_col_t>(c);
            switch (cell.kind) {
            case WorkbookCell::Kind::Number:
                worksheet_write_number(sheet, row, col, cell.number, nullptr);
                break;
            case WorkbookCell::Kind::Date: {
                lxw_datetime when = {cell.date.year(), cell.date.month(), cell.date.day(), 0, 0, 0};
                worksheet_write_datetime(sheet, row, col, &when, dateFormat);
                break;
            }
            case WorkbookCell::Kind::Text:
                worksheet_write_string(sheet, row, col, cell.text.toUtf8().constData(), nullptr);
                break;
            }
        }
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
