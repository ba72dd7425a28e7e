#include "job_run.h"

#include "job_line_reader.h"

#include <specest/job_record.hpp>

#include <QStringList>
#include <algorithm>

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

std::optional<RunResult> sizedResultFor(const QString& jobPath, QString* error) {
    JobLineReader reader;
    if (!reader.open(jobPath)) {
        if (error) *error = reader.errorString();
        return std::nullopt;
    }
    QStringList lines; // lines[i] is job line i + 1
    for (int i = 1; i <= record::line(record::Field::l_pts); ++i) lines << reader.readAnswer();
    reader.close();
    auto at = [&lines](record::Field f) { return lines[record::line(f) - 1]; };

    RunResult result;
    result.method = at(record::Field::method);
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
