// From a source table to the series a job runs on: the chosen columns, the time axis, the checks
// (bad cells, NaN/inf rows, uneven steps, too many records) and the Lumetra data file.
#pragma once

#include "data_source.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <specest/job_record.hpp>

#include <vector>

namespace lumetra::data {

struct ImportOptions {
    int column = 1;         // the samples (or their real parts), counted from 1
    int imagColumn = 0;     // the imaginary parts, 0: none
    int timeColumn = 0;     // 0: the times follow from the rate
    double rate = 0;        // samples per second; 0: the source's own (sound files)
    bool dropBad = false;   // leave out rows with NaN or infinite values instead of stopping
    bool takeFirst = false; // keep the first recordLimit rows of a longer series
    int recordLimit = specest::record::kMaxDataRecords;
};

// Why an import stopped; the dialog offers a way on for the last two.
enum class ImportProblem {
    None,
    BadChoice,   // a column or rate that does not fit the source
    NotNumber,   // cells that are no numbers, or missing
    EmptyColumn, // a chosen column without a single number
    BadTime,     // time values that do not increase
    NonFinite,   // NaN or infinite rows (can be dropped)
    TooMany,     // more records than a job may use (the first ones can be kept)
};

struct ImportedSeries {
    std::vector<double> time;
    std::vector<double> re, im;
    bool complex = false;
    double interval = 0;   // mean sampling interval, (last - first) / (count - 1)
    double rate = 0;       // 1 / interval when the times come from a rate
    double stepSpread = 0; // (largest step - smallest step) / interval; 0 for a rate
    int dropped = 0;       // NaN/inf rows left out
    int cut = 0;           // rows left out past the record limit
    QString source;        // "rec.wav, channel 2"
    QStringList warnings;
    int count() const { return static_cast<int>(re.size()); }
};

struct ImportResult {
    ImportProblem problem = ImportProblem::None;
    QString message; // names the file, line or column and the problem
    ImportedSeries series;
    bool ok() const { return problem == ImportProblem::None; }
};

// Records one job may use: a run reads at most nPoints records.
constexpr int kRecordLimit = specest::record::kMaxDataRecords;
// Time steps further apart than this fraction of the mean step are a warning.
constexpr double kStepSpreadLimit = 0.01;

ImportResult importSeries(const SourceTable& table, const ImportOptions& options);

// The data file: one header line naming the source, then "time value" or "time (re,im)" lines,
// each number the shortest text that reads back as the same 32-bit float.
QByteArray dataFileBytes(const ImportedSeries& series);
constexpr int kDataFileHeaderLines = 1;

// The series of a job: its data file read as the engine reads it (header lines skipped, then a
// time and a sample per record, at most npts records when npts > 0), with the same checks.
ImportResult readJobData(const QString& path, int headerLines, int npts, bool complex);

// What the Signal page shows.
struct SeriesStats {
    int count = 0;
    double interval = 0;
    double mean = 0, meanIm = 0;
    double std = 0;          // of the magnitude about the mean, population (ddof 0)
    double min = 0, max = 0; // of the real part
    double minIm = 0, maxIm = 0;
};
SeriesStats seriesStats(const ImportedSeries& series);

} // namespace lumetra::data
