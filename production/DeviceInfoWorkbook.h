#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// The production workbook: one row per device-information record written, appended to
// "Vireto_DeviceInfo.xlsx" beside the program.
//
// The rows live first in a plain record beside the workbook ("Vireto_DeviceInfo.rows",
// one JSON array per line, appended and flushed to disk before anything else), and the
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
    bool append(const QStringList& row, QString& error);
    // Every row recorded so far (lines that cannot be read are skipped).
    std::vector<QStringList> rows() const;

    QString workbookPath() const;
    QString rowsPath() const;

private:
    bool writeWorkbook(const std::vector<QStringList>& rows, QString& error) const;

    QString folder_;
};
