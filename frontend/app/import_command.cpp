#include "import_command.h"

#include "atomic_write.h"

#include <QFileInfo>
#include <QTextStream>

#include <cmath>
#include <cstring>

namespace lumetra {

bool isImportCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (argv[i] && std::strcmp(argv[i], "--import") == 0) return true;
    return false;
}

std::optional<ImportRequest> parseImportArguments(const QStringList& arguments, QString* error) {
    ImportRequest r;
    auto fail = [error](const QString& why) {
        if (error) *error = why + u'\n' + kImportUsageText;
        return std::nullopt;
    };
    auto count = [](const QString& text, int& n) {
        bool ok = false;
        n = text.toInt(&ok);
        return ok && n >= 1;
    };
    QString columns, time, channel, rate;
    bool drop = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString arg = arguments[i];
        if (arg == u"--drop-bad") {
            drop = true;
            continue;
        }
        QString* target = arg == u"--import"        ? &r.source
                          : arg == u"--to"          ? &r.target
                          : arg == u"--column"      ? &columns
                          : arg == u"--time-column" ? &time
                          : arg == u"--channel"     ? &channel
                          : arg == u"--rate"        ? &rate
                                                    : nullptr;
        if (!target) return fail(QStringLiteral("Unknown argument '%1'.").arg(arg));
        if (i + 1 >= arguments.size() || arguments[i + 1].isEmpty())
            return fail(QStringLiteral("'%1' needs a value.").arg(arg));
        if (!target->isEmpty()) return fail(QStringLiteral("'%1' given twice.").arg(arg));
        *target = arguments[++i];
    }
    if (r.source.isEmpty()) return fail(QStringLiteral("No source file given."));
    if (r.target.isEmpty()) return fail(QStringLiteral("'--to DATAFILE' is missing."));
    if (!columns.isEmpty() && !channel.isEmpty())
        return fail(QStringLiteral("Give '--column' for a table or '--channel' for a sound "
                                   "file, not both."));
    data::ImportOptions& o = r.options;
    o.dropBad = drop;
    if (!columns.isEmpty()) {
        const QStringList parts = columns.split(u',');
        if (parts.size() > 2 || !count(parts[0], o.column) ||
            (parts.size() == 2 && !count(parts[1], o.imagColumn)))
            return fail(QStringLiteral("'--column' needs N or N,M (counted from 1), not '%1'.")
                            .arg(columns));
    }
    if (!channel.isEmpty() && !count(channel, o.column))
        return fail(QStringLiteral("'--channel' needs a number from 1, not '%1'.").arg(channel));
    if (!time.isEmpty() && !count(time, o.timeColumn))
        return fail(QStringLiteral("'--time-column' needs a number from 1, not '%1'.").arg(time));
    if (!rate.isEmpty()) {
        bool ok = false;
        o.rate = rate.toDouble(&ok);
        if (!ok || !(o.rate > 0) || !std::isfinite(o.rate))
            return fail(
                QStringLiteral("'--rate' needs samples per second above 0, not '%1'.").arg(rate));
        if (!time.isEmpty())
            return fail(QStringLiteral("Give '--time-column' or '--rate', not both."));
    }
    return r;
}

int runImport(const ImportRequest& request, QTextStream& out, QTextStream& err) {
    const QFileInfo source(request.source), target(request.target);
    if (source.exists() && target.exists() &&
        source.canonicalFilePath() == target.canonicalFilePath()) {
        err << "Lumetra: '--to' names the source itself; the import would replace it.\n";
        return kImportBadArguments;
    }
    QString error;
    const auto table = data::readSource(request.source, &error);
    if (!table) {
        err << "Lumetra: " << error << "\n";
        return kImportUnreadable;
    }
    const data::ImportResult result = data::importSeries(*table, request.options);
    if (!result.ok()) {
        err << "Lumetra: " << result.message;
        if (result.problem == data::ImportProblem::NonFinite)
            err << " Add --drop-bad to leave those rows out.";
        err << "\n";
        switch (result.problem) {
        case data::ImportProblem::NonFinite:
            return kImportNonFinite;
        case data::ImportProblem::TooMany:
            return kImportTooMany;
        default:
            return kImportBadData;
        }
    }
    for (const QString& w : result.series.warnings) err << "Lumetra: warning: " << w << "\n";
    if (!writeFileAtomically(request.target, data::dataFileBytes(result.series), &error)) {
        err << "Lumetra: " << request.target << " cannot be written: " << error << "\n";
        return kImportWriteFailed;
    }
    out << "Wrote " << result.series.count() << (result.series.complex ? " complex" : " real")
        << " samples to " << request.target << " (" << data::kDataFileHeaderLines
        << " header line, sampling interval " << QString::number(result.series.interval, 'g', 9)
        << ").\n";
    return kImportOk;
}

int importMain(const QStringList& arguments) {
    QTextStream out(stdout), err(stderr);
    QString error;
    const auto request = parseImportArguments(arguments.mid(1), &error);
    if (!request) {
        err << "Lumetra: " << error << "\n";
        return kImportBadArguments;
    }
    return runImport(*request, out, err);
}

} // namespace lumetra
