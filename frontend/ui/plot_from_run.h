// The plot's input taken from a finished engine run of the front end.
#pragma once

#include "plot_modern.h"
#include "plot_modern_output.h"
#include "plot_render.h"

#include "engine_library.h"

#include "job_line_reader.h"
#include "run_result.h"

#include <specest/job_record.hpp>

#include <cmath>

namespace lumetra::plot {

// Whether the job's method fits a model (and so has a noise variance worth showing).
inline bool methodIsParametric(const QString& methodLine) {
    const QByteArray name = methodLine.toLatin1();
    const auto* m = specest::record::method_info(
        specest::record::match_method(std::string_view(name.constData(), name.size())));
    return m ? m->parametric : true;
}

// The model orders the job asks its method for, as the legend shows them ("p=15 q=4",
// "lags=24"); empty when the job cannot be read or the method has none.
inline QString ordersOfJob(const QString& jobPath, const QString& methodLine) {
    namespace record = specest::record;
    const QByteArray name = methodLine.toLatin1();
    const auto* m =
        record::method_info(record::match_method(std::string_view(name.constData(), name.size())));
    JobLineReader reader;
    if (!m || !reader.open(jobPath)) return {};
    QStringList lines;
    for (int i = 1; i <= record::line(record::Field::m_lags); ++i) lines << reader.readAnswer();
    auto at = [&](record::Field f) { return lines[record::line(f) - 1].trimmed(); };
    QStringList parts;
    if (record::uses(m->settings, record::Field::npoles))
        parts << QStringLiteral("p=") + at(record::Field::npoles);
    if (record::uses(m->settings, record::Field::nzeros))
        parts << QStringLiteral("q=") + at(record::Field::nzeros);
    if (record::uses(m->settings, record::Field::m_lags))
        parts << QStringLiteral("lags=") + at(record::Field::m_lags);
    return parts.join(QLatin1Char(' '));
}

inline PlotInput plotInputFromRun(const RunResult& r, const QString& jobName) {
    PlotInput in;
    in.frequencies = r.x_array;
    in.spectrum = r.spectrum;
    in.nPts = r.nptsZ;
    in.nFreqPts = r.npointsZ; // pointCount() keeps it within the arrays
    in.tStart = r.t_startZ;
    in.tFinal = r.t_finalZ;
    in.zeroFill = r.zeroFillZ;
    in.sig2 = r.sig2Z;
    in.methodName = r.method;
    in.jobPath = r.jobPath;
    in.jobName = jobName;
    in.parametric = methodIsParametric(r.method);
    in.orders = ordersOfJob(r.jobPath, r.method);
    return in;
}

// The curve of a modern run as the modern view draws it: the engine's numbers as they are.
inline ModernCurve modernCurveFromRun(const ModernRun& r, const QString& jobName) {
    ModernCurve c;
    c.frequencyHz = r.frequencyHz;
    c.densityDb = r.densityDb;
    const auto* m = specest::record::method_info(r.method);
    const QString method =
        m ? QString::fromLatin1(m->form_name.data(), static_cast<qsizetype>(m->form_name.size()))
                .trimmed()
          : QString();
    const QString orders = m ? ordersOfJob(r.jobPath, method) : QString();
    QStringList parts{method};
    if (!orders.isEmpty()) parts << orders;
    parts << QStringLiteral("%1 pts").arg(r.frequencyHz.size()) << jobName;
    c.label = parts.join(QStringLiteral(", "));
    c.view = PlotView::Modern;
    orderByFrequency(c);
    return c;
}

// The one header line of a modern plot: method, samples, the job and the profile.
inline QString modernHeader(const ModernRun& r, const QString& jobName) {
    const auto* m = specest::record::method_info(r.method);
    QStringList parts;
    if (m)
        parts << QString::fromLatin1(m->form_name.data(),
                                     static_cast<qsizetype>(m->form_name.size()))
                     .trimmed();
    parts << QStringLiteral("%1 samples").arg(r.npts);
    parts << jobName << QStringLiteral("modern profile");
    return parts.join(QStringLiteral(" \u00b7 "));
}

} // namespace lumetra::plot
