#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <vector>

// One cell of a workbook row: a text, a number or a date, written to the sheet as a
// cell of that type.
struct WorkbookCell {
    enum class Kind { Text, Number, Date };
    Kind kind = Kind::Text;
    QString text;
    double number = 0;
    QDate date;

    static WorkbookCell ofText(const QString& text);
    static WorkbookCell ofNumber(double number);
    // An invalid date gives an empty text cell.
    static WorkbookCell ofDate(const QDate& date);
    bool operator==(const WorkbookCell&) const = default;
};
using WorkbookRow = std::vector<WorkbookCell>;

// The production workbook: one row per device-information record written, appended to
// "Vireto_DeviceInfo.xlsx" beside the program.
//
// The rows live first in a plain record beside the workbook ("Vireto_DeviceInfo.rows",
// one JSON array per line: texts as strings, numbers as numbers, dates as {"date":
// "yyyy-MM-dd"}; appended and flushed to disk before anything else), and the
// workbook is written anew from all of them into a temporary file that then replaces
// the old one. So a crash at any moment leaves either the old or the new workbook, never
// a damaged one, and no row already recorded is ever lost.
class DeviceInfoWorkbook {
public:
    static constexpr const char* kWorkbookName = "Vireto_DeviceInfo.xlsx";
    static constexpr const char* kRowsName = "Vireto_DeviceInfo.rows";

    explicit DeviceInfoWorkbook(QString folder);

    // The column titles of the sheet's first row.
    static QStringList header();
    // Appends the row (as many cells as header() names) and rewrites the workbook.
    // False with a one-line reason in error when it could not be done.
    bool append(const WorkbookRow& row, QString& error);
    // Every row recorded so far (lines that cannot be read are skipped).
    std::vector<WorkbookRow> rows() const;

    QString workbookPath() const;
    QString rowsPath() const;

private:
    bool writeWorkbook(const std::vector<WorkbookRow>& rows, QString& error) const;

    QString folder_;
};
