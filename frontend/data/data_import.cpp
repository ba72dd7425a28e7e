#include "data_import.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>

namespace lumetra::data {
namespace {

QString where(const SourceTable& table, std::size_t row) {
    const int at = table.lines[row];
    switch (table.kind) {
    case SourceKind::Text:
        return QStringLiteral("line %1").arg(at);
    case SourceKind::Audio:
        return QStringLiteral("frame %1").arg(at);
    case SourceKind::Npy:
        return QStringLiteral("row %1").arg(at);
    }
    return {};
}

QString columnText(const SourceTable& table, int column) {
    const QString word =
        table.kind == SourceKind::Audio ? QStringLiteral("channel") : QStringLiteral("column");
    const QString name = table.names.value(column - 1);
    const bool named = table.hasHeader && !name.isEmpty();
    return named ? QStringLiteral("%1 %2 \"%3\"").arg(word).arg(column).arg(name)
                 : QStringLiteral("%1 %2").arg(word).arg(column);
}

ImportResult failure(ImportProblem problem, const QString& message) {
    ImportResult r;
    r.problem = problem;
    r.message = message;
    return r;
}

bool finite(const Cell& c) {
    return std::isfinite(c.re) && std::isfinite(c.im);
}

QByteArray shortest(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

QByteArray shortest(double v) {
    char buf[40];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

} // namespace

ImportResult importSeries(const SourceTable& table, const ImportOptions& options) {
    const QString file = QFileInfo(table.path).fileName();
    const int columns = table.columnCount();
    const QString word =
        table.kind == SourceKind::Audio ? QStringLiteral("channel") : QStringLiteral("column");
    auto choiceError = [&](const QString& what, int n) {
        return failure(ImportProblem::BadChoice,
                       QStringLiteral("%1: there is no %2 %3; it has %4 %2(s).")
                           .arg(file, what)
                           .arg(n)
                           .arg(columns));
    };
    if (options.column < 1 || options.column > columns) return choiceError(word, options.column);
    if (options.imagColumn != 0 && (options.imagColumn < 1 || options.imagColumn > columns))
        return choiceError(word, options.imagColumn);
    if (options.timeColumn != 0 && (options.timeColumn < 1 || options.timeColumn > columns))
        return choiceError(word, options.timeColumn);
    if (options.timeColumn != 0 &&
        (options.timeColumn == options.column || options.timeColumn == options.imagColumn))
        return failure(ImportProblem::BadChoice,
                       QStringLiteral("%1: the time column cannot also hold samples.").arg(file));
    if (options.imagColumn == options.column)
        return failure(ImportProblem::BadChoice,
                       QStringLiteral("%1: the real and imaginary parts need two different "
                                      "columns.")
                           .arg(file));
    double rate = options.rate;
    if (options.timeColumn == 0) {
        if (!(rate > 0) && table.sampleRate > 0) rate = table.sampleRate;
        if (!(rate > 0) || !std::isfinite(rate))
            return failure(ImportProblem::BadChoice,
                           QStringLiteral("%1: choose a time column or give the sampling rate "
                                          "(a number of samples per second above 0).")
                               .arg(file));
    }

    std::vector<int> used{options.column};
    if (options.imagColumn) used.push_back(options.imagColumn);
    if (options.timeColumn) used.push_back(options.timeColumn);
    const std::size_t rows = static_cast<std::size_t>(table.rowCount());

    // Cells that are no numbers: the count and the first, per column.
    for (const int c : used) {
        const auto& cells = table.columns[static_cast<std::size_t>(c - 1)];
        std::size_t bad = 0, numbers = 0, first = rows;
        for (std::size_t r = 0; r < rows; ++r) {
            if (cells[r].state == CellState::Number) {
                ++numbers;
                continue;
            }
            if (first == rows) first = r;
            ++bad;
        }
        if (numbers == 0)
            return failure(
                ImportProblem::EmptyColumn,
                QStringLiteral("%1: %2 holds no numbers.").arg(file, columnText(table, c)));
        if (bad > 0) {
            const Cell& cell = cells[first];
            const QString what = cell.state == CellState::Empty ? QStringLiteral("empty")
                                                                : QStringLiteral("not a number");
            return failure(ImportProblem::NotNumber,
                           QStringLiteral("%1: %2 has %3 cell(s) that are not numbers; the first, "
                                          "at %4, is %5.")
                               .arg(file, columnText(table, c))
                               .arg(bad)
                               .arg(where(table, first), what));
        }
        if (c != options.column && c == options.timeColumn) {
            for (std::size_t r = 0; r < rows; ++r)
                if (cells[r].complex)
                    return failure(ImportProblem::NotNumber,
                                   QStringLiteral("%1: %2, %3: a time value cannot be complex.")
                                       .arg(file, columnText(table, c), where(table, r)));
        }
    }
    const auto& sampleCells = table.columns[static_cast<std::size_t>(options.column - 1)];
    if (options.imagColumn) {
        for (const int c : {options.column, options.imagColumn})
            for (std::size_t r = 0; r < rows; ++r)
                if (table.columns[static_cast<std::size_t>(c - 1)][r].complex)
                    return failure(ImportProblem::NotNumber,
                                   QStringLiteral("%1: %2, %3 is complex already; pick one column "
                                                  "of complex values, or two of real numbers.")
                                       .arg(file, columnText(table, c), where(table, r)));
    }

    // Rows with NaN or infinite values in the chosen columns.
    std::vector<char> keep(rows, 1);
    std::size_t nonFinite = 0, firstNonFinite = rows;
    for (std::size_t r = 0; r < rows; ++r) {
        bool ok = true;
        for (const int c : used)
            ok = ok && finite(table.columns[static_cast<std::size_t>(c - 1)][r]);
        if (!ok) {
            keep[r] = 0;
            if (firstNonFinite == rows) firstNonFinite = r;
            ++nonFinite;
        }
    }
    if (nonFinite > 0 && !options.dropBad)
        return failure(ImportProblem::NonFinite,
                       QStringLiteral("%1: %2 row(s) hold NaN or infinite values; the first is at "
                                      "%3.")
                           .arg(file)
                           .arg(nonFinite)
                           .arg(where(table, firstNonFinite)));

    ImportResult result;
    ImportedSeries& s = result.series;
    s.dropped = static_cast<int>(nonFinite);
    s.complex = options.imagColumn != 0 || std::any_of(sampleCells.begin(), sampleCells.end(),
                                                       [](const Cell& c) { return c.complex; });
    const std::size_t kept = rows - nonFinite;
    const qint64 all = static_cast<qint64>(kept) + table.unread;
    if (all > options.recordLimit && !options.takeFirst)
        return failure(ImportProblem::TooMany,
                       QStringLiteral("%1: %2 records are more than a job may use (%3).")
                           .arg(file)
                           .arg(all)
                           .arg(options.recordLimit));
    const std::size_t n = std::min(kept, static_cast<std::size_t>(options.recordLimit));
    s.cut = static_cast<int>(std::min<qint64>(all - static_cast<qint64>(n), INT_MAX));
    s.re.reserve(n);
    s.time.reserve(n);
    if (s.complex) s.im.reserve(n);
    for (std::size_t r = 0; r < rows && s.re.size() < n; ++r) {
        if (!keep[r]) continue;
        const Cell& x = sampleCells[r];
        s.re.push_back(x.re);
        if (s.complex)
            s.im.push_back(
                options.imagColumn
                    ? table.columns[static_cast<std::size_t>(options.imagColumn - 1)][r].re
                    : x.im);
        if (options.timeColumn) {
            const double t = table.columns[static_cast<std::size_t>(options.timeColumn - 1)][r].re;
            if (!s.time.empty() && !(t > s.time.back()))
                return failure(
                    ImportProblem::BadTime,
                    QStringLiteral("%1: %2, %3: the time values must increase (%4 "
                                   "follows %5).")
                        .arg(file, columnText(table, options.timeColumn), where(table, r))
                        .arg(t)
                        .arg(s.time.back()));
            s.time.push_back(t);
        } else {
            s.time.push_back(static_cast<double>(s.re.size() - 1) / rate);
        }
    }
    if (s.count() < 2)
        return failure(ImportProblem::EmptyColumn,
                       QStringLiteral("%1: a spectrum needs at least two samples; %2 left.")
                           .arg(file)
                           .arg(s.count()));
    s.interval = (s.time.back() - s.time.front()) / (s.count() - 1);
    if (options.timeColumn) {
        double lo = s.time[1] - s.time[0], hi = lo;
        for (std::size_t k = 2; k < s.time.size(); ++k) {
            const double d = s.time[k] - s.time[k - 1];
            lo = std::min(lo, d);
            hi = std::max(hi, d);
        }
        s.stepSpread = (hi - lo) / s.interval;
        s.rate = 1 / s.interval;
        if (s.stepSpread > kStepSpreadLimit)
            s.warnings << QStringLiteral("The time steps are uneven: they range from %1 to %2, a "
                                         "spread of %3 % of the mean step %4; the estimators "
                                         "assume even steps.")
                              .arg(lo, 0, 'g', 6)
                              .arg(hi, 0, 'g', 6)
                              .arg(100 * s.stepSpread, 0, 'f', 2)
                              .arg(s.interval, 0, 'g', 6);
    } else {
        s.rate = rate;
    }
    if (s.dropped > 0)
        s.warnings
            << QStringLiteral("%1 row(s) with NaN or infinite values left out.").arg(s.dropped);
    if (s.cut > 0)
        s.warnings << QStringLiteral("Only the first %1 records kept; %2 more left out.")
                          .arg(n)
                          .arg(s.cut);
    QString picked = columnText(table, options.column);
    if (options.imagColumn)
        picked += QStringLiteral(" + j ") + columnText(table, options.imagColumn);
    s.source = file + QStringLiteral(", ") + picked;
    return result;
}

QByteArray dataFileBytes(const ImportedSeries& s) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(s.re.size()) * (s.complex ? 36 : 24) + 200);
    out += "# Imported by Lumetra from " + s.source.toUtf8() + ", " +
           QByteArray::number(s.count()) + (s.complex ? " complex" : " real") + " samples, rate " +
           shortest(s.rate) + " Hz\n";
    for (std::size_t k = 0; k < s.re.size(); ++k) {
        out += shortest(s.time[k]);
        if (s.complex)
            out += " (" + shortest(static_cast<float>(s.re[k])) + ',' +
                   shortest(static_cast<float>(s.im[k])) + ")\n";
        else
            out += ' ' + shortest(static_cast<float>(s.re[k])) + '\n';
    }
    return out;
}

ImportResult readJobData(const QString& path, int headerLines, int npts, bool complex) {
    const QString file = QFileInfo(path).fileName();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return failure(ImportProblem::BadChoice,
                       QStringLiteral("%1: cannot be read (%2).").arg(path, f.errorString()));
    ImportResult result;
    ImportedSeries& s = result.series;
    s.complex = complex;
    s.source = file;
    int lineNo = 0;
    int skipped = 0;
    std::size_t nonFinite = 0;
    while (!f.atEnd() && (npts <= 0 || s.count() < npts)) {
        const QByteArray raw = f.readLine();
        ++lineNo;
        if (skipped < headerLines) {
            ++skipped;
            continue;
        }
        // Fields are separated by blanks or commas; a "(re,im)" value is one field.
        QStringList fields;
        QString field;
        int depth = 0;
        for (const QChar c : QString::fromUtf8(raw)) {
            if (c == u'(') ++depth;
            if (c == u')' && depth > 0) --depth;
            if (depth == 0 && (c == u' ' || c == u'\t' || c == u',' || c == u'\r' || c == u'\n')) {
                if (!field.isEmpty()) fields << field;
                field.clear();
            } else {
                field += c;
            }
        }
        if (!field.isEmpty()) fields << field;
        if (fields.isEmpty()) continue;
        const QString at = QStringLiteral("%1, line %2: ").arg(file).arg(lineNo);
        if (fields.size() < 2)
            return failure(ImportProblem::NotNumber,
                           at + QStringLiteral("a record needs a time value and a sample."));
        const Cell t = parseCell(fields[0]);
        const Cell v = parseCell(fields[1]);
        if (t.state != CellState::Number || t.complex)
            return failure(
                ImportProblem::NotNumber,
                at + QStringLiteral("the time value \"%1\" is not a number.").arg(fields[0]));
        if (v.state != CellState::Number || (complex && !fields[1].startsWith(u'(')))
            return failure(
                ImportProblem::NotNumber,
                at + QStringLiteral("the sample \"%1\" is not %2.")
                         .arg(fields[1],
                              complex
                                  ? QStringLiteral("a complex value written as (real,imaginary)")
                                  : QStringLiteral("a real number")));
        if (!finite(t) || !finite(v)) ++nonFinite;
        if (!s.time.empty() && !(t.re > s.time.back()))
            s.warnings << at + QStringLiteral("the time values must increase (%1 follows %2).")
                                   .arg(t.re)
                                   .arg(s.time.back());
        s.time.push_back(t.re);
        s.re.push_back(v.re);
        if (complex) s.im.push_back(v.im);
    }
    if (s.count() < 2)
        return failure(ImportProblem::EmptyColumn,
                       QStringLiteral("%1: a spectrum needs at least two samples; %2 read.")
                           .arg(file)
                           .arg(s.count()));
    s.interval = (s.time.back() - s.time.front()) / (s.count() - 1);
    s.rate = s.interval != 0 ? 1 / s.interval : 0;
    double lo = s.time[1] - s.time[0], hi = lo;
    for (std::size_t k = 2; k < s.time.size(); ++k) {
        lo = std::min(lo, s.time[k] - s.time[k - 1]);
        hi = std::max(hi, s.time[k] - s.time[k - 1]);
    }
    s.stepSpread = s.interval != 0 ? (hi - lo) / std::abs(s.interval) : 0;
    if (s.stepSpread > kStepSpreadLimit)
        s.warnings << QStringLiteral("The time steps are uneven: they range from %1 to %2, a "
                                     "spread of %3 % of the mean step %4; the estimators assume "
                                     "even steps.")
                          .arg(lo, 0, 'g', 6)
                          .arg(hi, 0, 'g', 6)
                          .arg(100 * s.stepSpread, 0, 'f', 2)
                          .arg(s.interval, 0, 'g', 6);
    if (nonFinite > 0)
        s.warnings << QStringLiteral("%1 record(s) hold NaN or infinite values.").arg(nonFinite);
    if (s.count() > kRecordLimit)
        s.warnings << QStringLiteral("%1 records are more than a job may use (%2).")
                          .arg(s.count())
                          .arg(kRecordLimit);
    return result;
}

SeriesStats seriesStats(const ImportedSeries& s) {
    SeriesStats st;
    st.count = s.count();
    st.interval = s.interval;
    if (st.count == 0) return st;
    double sumRe = 0, sumIm = 0;
    for (int k = 0; k < st.count; ++k) {
        sumRe += s.re[static_cast<std::size_t>(k)];
        if (s.complex) sumIm += s.im[static_cast<std::size_t>(k)];
    }
    st.mean = sumRe / st.count;
    st.meanIm = sumIm / st.count;
    double ss = 0;
    st.min = st.max = s.re[0];
    if (s.complex) st.minIm = st.maxIm = s.im[0];
    for (int k = 0; k < st.count; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double dr = s.re[i] - st.mean;
        const double di = s.complex ? s.im[i] - st.meanIm : 0.0;
        ss += dr * dr + di * di;
        st.min = std::min(st.min, s.re[i]);
        st.max = std::max(st.max, s.re[i]);
        if (s.complex) {
            st.minIm = std::min(st.minIm, s.im[i]);
            st.maxIm = std::max(st.maxIm, s.im[i]);
        }
    }
    st.std = std::sqrt(ss / st.count);
    return st;
}

} // namespace lumetra::data
