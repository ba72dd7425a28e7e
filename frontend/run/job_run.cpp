#include "job_run.h"

#include "job_reader.h"

#include <specest/job_record.hpp>

#include <QStringList>
#include <algorithm>
#include <array>

namespace lumetra {
namespace {

namespace record = specest::record;

// A count from a job line, kept within the engine's largest grid; 0 when unreadable.
int answerAsCount(const QString& answer) {
    bool ok = false;
    const double d = answer.toDouble(&ok);
    if (!ok || !(d >= 1.0)) return 0;
    return static_cast<int>(std::min(d, static_cast<double>(record::kMaxFreqPoints)));
}

} // namespace

int32_t resultCapacity(const QString& method, const QString& points, const QString& l) {
    const int npoints = record::round_to_power_of_two(std::max(1, answerAsCount(points)));
    const QByteArray name = method.toLatin1();
    const int number = record::match_method(std::string_view(name.constData(), name.size()));
    return static_cast<int32_t>(record::grid_capacity(number, npoints, answerAsCount(l)));
}

std::optional<QStringList> readJobValues(const QString& jobPath, QString* error) {
    std::array<std::string, record::kJobLines> values;
    std::string why;
    // The engine's own reader, so a job reads here exactly as the run will read it.
    if (!specest::read_job(jobPath.toLocal8Bit().toStdString(), values, why, false)) {
        if (error) *error = QString::fromLocal8Bit(why.c_str());
        return std::nullopt;
    }
    QStringList lines;
    for (const std::string& v : values) lines << QString::fromLocal8Bit(v.c_str());
    return lines;
}

std::optional<RunResult> sizedResultFor(const QString& jobPath, QString* error) {
    const std::optional<QStringList> lines = readJobValues(jobPath, error);
    if (!lines) return std::nullopt;
    auto at = [&lines](record::Field f) { return (*lines)[record::line(f) - 1]; };

    RunResult result;
    // The reader takes the method line's first field; the titles show the method's full name.
    result.method = at(record::Field::method);
    const QByteArray name = result.method.toLatin1();
    if (const auto* m = record::method_info(
            record::match_method(std::string_view(name.constData(), name.size()))))
        result.method = QString::fromLatin1(m->form_name.data(), qsizetype(m->form_name.size()));
    result.jobPath = jobPath;
    result.capacity =
        resultCapacity(result.method, at(record::Field::npoints), at(record::Field::l_pts));
    result.x_array.assign(static_cast<size_t>(result.capacity), 0.0f);
    result.spectrum.assign(static_cast<size_t>(result.capacity), 0.0f);
    result.x_array[0] = 1.0f;
    result.spectrum[0] = 1.0f;
    result.npointsZ = result.capacity;
    return result;
}

} // namespace lumetra
