// Lumetra --import: a text table, sound file or NumPy array written as a Lumetra data file,
// without a window, for scripts.
#pragma once

#include "data_import.h"

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

namespace lumetra {

struct ImportRequest {
    QString source;
    QString target;
    data::ImportOptions options;
};

// Exit statuses of --import (the manual lists them).
enum ImportExit : int {
    kImportOk = 0,
    kImportWriteFailed = 3,  // the data file could not be written
    kImportBadArguments = 4, // the command line does not make an import
    kImportUnreadable = 5,   // the source is missing, unreadable or of no known kind
    kImportBadData = 6,      // a column or channel that does not fit, cells that are no numbers,
                             // an empty column, time values that do not increase
    kImportNonFinite = 7,    // NaN or infinite rows and no --drop-bad
    kImportTooMany = 8,      // more records than a job may use
};

inline const QString kImportUsageText =
    QStringLiteral("Usage: Lumetra --import SOURCE --to DATAFILE [--column N[,M]] "
                   "[--time-column N] [--channel N] [--rate HZ] [--drop-bad]");

bool isImportCommand(int argc, char** argv);
std::optional<ImportRequest> parseImportArguments(const QStringList& arguments, QString* error);
int runImport(const ImportRequest& request, QTextStream& out, QTextStream& err);
// The whole command; arguments include the program name.
int importMain(const QStringList& arguments);

} // namespace lumetra
