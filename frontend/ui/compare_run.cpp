#include "compare_run.h"

#include "atomic_write.h"
#include "job_file_reader.h"
#include "job_run.h"
#include "plot_modern_output.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace lumetra {
namespace rec = specest::record;
using rec::Field;

namespace {

bool toFloat(std::string_view s, float& v) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

// Fields separated by blanks or commas; a "(re,im)" value is one field.
std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t start = std::string_view::npos;
    int depth = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
        const char c = i < line.size() ? line[i] : ' ';
        if (c == '(') ++depth;
        if (c == ')' && depth > 0) --depth;
        const bool sep = depth == 0 && (c == ' ' || c == '\t' || c == ',' || c == '\r');
        if (sep && start != std::string_view::npos) {
            out.push_back(line.substr(start, i - start));
            start = std::string_view::npos;
        } else if (!sep && start == std::string_view::npos) {
            start = i;
        }
    }
    return out;
}

QByteArray shortest(float v) {
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return QByteArray(buf, static_cast<qsizetype>(r.ptr - buf));
}

// The job's answer to a question as a number, when it holds one other than -999.
std::optional<double> jobValue(const JobAnswers& a, Field f) {
    bool ok = false;
    const double v = a.answer(rec::question(f)).trimmed().toDouble(&ok);
    if (!ok || v == rec::kNotApplicableInt) return std::nullopt;
    return v;
}

void reportSink(const char* text, int32_t length, void* user) {
    static_cast<QByteArray*>(user)->append(text, length);
}

} // namespace

std::optional<CompareSetup> prepareCompare(const QString& jobPath, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<CompareSetup> {
        if (error) *error = why;
        return std::nullopt;
    };
    CompareSetup s;
    s.jobPath = QFileInfo(jobPath).absoluteFilePath();
    QString why;
    const std::optional<QStringList> values = readJobValues(s.jobPath, &why);
    if (!values) return fail(QStringLiteral("%1: the job cannot be read (%2).").arg(jobPath, why));
    // Line 2 as the engine's reader gives it, next to the job unless absolute or found from here.
    QString name;
    answersFromJobValues(*values, s.answers, &name);
    name = name.trimmed();
    s.dataPath = QFileInfo(name).isAbsolute() || QFileInfo::exists(name)
                     ? name
                     : QFileInfo(s.jobPath).dir().filePath(name);
    QFile data(s.dataPath);
    if (!data.open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("%1: the data file %2 cannot be read.").arg(jobPath, s.dataPath));
    const int skip = s.answers.answer(2).trimmed().toInt();
    const int npts = s.answers.answer(3).trimmed().toInt();
    s.complex = !s.answers.answer(4).trimmed().startsWith(u'R', Qt::CaseInsensitive);
    const QString file = QFileInfo(s.dataPath).fileName();
    int lineNo = 0;
    while (!data.atEnd() && (npts <= 0 || s.count < npts)) {
        const QByteArray raw = data.readLine();
        if (++lineNo <= skip) continue;
        const std::string_view line(raw.constData(), static_cast<std::size_t>(raw.size()));
        const auto f = fields(line.substr(0, line.find('\n')));
        if (f.empty()) continue;
        const QString at = QStringLiteral("%1, line %2: ").arg(file).arg(lineNo);
        float t = 0, re = 0, im = 0;
        if (f.size() < 2 || !toFloat(f[0], t))
            return fail(at + QStringLiteral("a record needs a time value and a sample."));
        bool ok = false;
        if (!s.complex) {
            ok = toFloat(f[1], re);
        } else if (f[1].size() > 2 && f[1].front() == '(' && f[1].back() == ')') {
            const std::string_view in = f[1].substr(1, f[1].size() - 2);
            const auto comma = in.find(',');
            auto trim = [](std::string_view v) {
                while (!v.empty() && v.front() == ' ') v.remove_prefix(1);
                while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
                return v;
            };
            ok = comma != std::string_view::npos && toFloat(trim(in.substr(0, comma)), re) &&
                 toFloat(trim(in.substr(comma + 1)), im);
        }
        if (!ok) return fail(at + QStringLiteral("the sample is not a number."));
        s.times.push_back(t);
        s.samples.push_back(re);
        if (s.complex) s.samples.push_back(im);
        ++s.count;
    }
    if (s.count < 2) return fail(file + QStringLiteral(": fewer than two samples."));
    return s;
}

specest_params compareParams(const CompareSetup& setup, int method, QStringList* defaulted,
                             const specest_params* base) {
    specest_params p;
    std::memset(&p, 0, sizeof p);
    if (base) p = *base;
    p.size = sizeof p;
    p.method = method;
    p.complex_data = setup.complex ? 1 : 0;
    const JobAnswers& a = setup.answers;
    p.npoints = static_cast<int32_t>(jobValue(a, Field::npoints).value_or(512));
    p.twosided =
        a.answer(rec::question(Field::neg_freq)).trimmed().startsWith(u'Y', Qt::CaseInsensitive);
    p.npts = a.answer(rec::question(Field::npts)).trimmed().toInt();
    p.dt = 1;
    p.times = setup.times.data();
    for (int32_t* v : {&p.npoles, &p.nzeros, &p.mode, &p.m_eqs, &p.l_pts, &p.m_lags, &p.nit})
        *v = SPECEST_UNUSED;
    p.eps = p.per = SPECEST_UNUSED;
    const rec::MethodInfo* info = rec::method_info(method);
    if (!info) return p;
    // The records a run uses, and the largest order the work area allows with its grid.
    const int points =
        p.npoints >= 1 ? rec::round_to_power_of_two(std::min(p.npoints, rec::kMaxFreqPoints)) : 1;
    int n = p.npts > 0 ? std::min(p.npts, setup.count) : setup.count;
    n = std::min(n, points);
    const int maxOrder = std::min(rec::kMaxOrder, points);
    const int order = std::clamp(10, 1, std::max(1, n - 1));
    const int zeros = std::clamp(2, 0, std::max(0, n - 1));
    auto take = [&](Field f, double fallback, const char* label) {
        if (auto v = jobValue(a, f)) return *v;
        if (defaulted)
            *defaulted << QStringLiteral("%1=%2").arg(QLatin1String(label)).arg(fallback);
        return fallback;
    };
    const rec::FieldSet set = info->settings;
    if (rec::uses(set, Field::npoles))
        p.npoles = static_cast<int32_t>(take(Field::npoles, order, "order"));
    if (rec::uses(set, Field::nzeros))
        p.nzeros = static_cast<int32_t>(take(Field::nzeros, zeros, "zeros"));
    if (rec::uses(set, Field::eps)) p.eps = static_cast<float>(take(Field::eps, 1e-15, "eps"));
    if (rec::uses(set, Field::mode)) p.mode = static_cast<int32_t>(take(Field::mode, 0, "mode"));
    if (rec::uses(set, Field::m_eqs))
        p.m_eqs = static_cast<int32_t>(take(Field::m_eqs, n, "m_eqs"));
    if (rec::uses(set, Field::l_pts)) {
        const int q = rec::uses(set, Field::nzeros) ? std::max(0, p.nzeros) : 0;
        const double l = info->method == rec::Method::mvse
                             ? points
                             : std::min(std::max(n / 5, q + std::max(0, p.npoles) + 1), maxOrder);
        p.l_pts = static_cast<int32_t>(take(Field::l_pts, l, "l_pts"));
    }
    if (rec::uses(set, Field::m_lags))
        p.m_lags = static_cast<int32_t>(
            take(Field::m_lags, std::clamp(30, 1, std::max(1, (n - 2) / 2)), "m_lags"));
    if (rec::uses(set, Field::nit)) p.nit = static_cast<int32_t>(take(Field::nit, 99, "nit"));
    if (rec::uses(set, Field::per)) p.per = static_cast<float>(take(Field::per, 0.01, "per"));
    return p;
}

QString settingsText(const specest_params& p) {
    QStringList parts;
    if (p.npoles != SPECEST_UNUSED) parts << QStringLiteral("p=%1").arg(p.npoles);
    if (p.nzeros != SPECEST_UNUSED) parts << QStringLiteral("q=%1").arg(p.nzeros);
    if (p.m_eqs != SPECEST_UNUSED) parts << QStringLiteral("M=%1").arg(p.m_eqs);
    if (p.l_pts != SPECEST_UNUSED) parts << QStringLiteral("L=%1").arg(p.l_pts);
    if (p.m_lags != SPECEST_UNUSED) parts << QStringLiteral("lags=%1").arg(p.m_lags);
    if (p.mode != SPECEST_UNUSED) parts << QStringLiteral("mode=%1").arg(p.mode);
    if (p.window) parts << QString::fromLatin1(p.window);
    return parts.join(u' ');
}

QList<int> methodsFromShortNames(const QString& list, QString* error) {
    QList<int> out;
    for (const QString& part : list.split(u',', Qt::SkipEmptyParts)) {
        const QString name = part.trimmed().toLower();
        int found = 0;
        for (const auto& m : rec::kMethods)
            if (name ==
                QLatin1String(m.short_name.data(), static_cast<qsizetype>(m.short_name.size())))
                found = static_cast<int>(m.method);
        if (!found) {
            if (error) {
                QStringList names;
                for (const auto& m : rec::kMethods)
                    names << QLatin1String(m.short_name.data(),
                                           static_cast<qsizetype>(m.short_name.size()));
                *error = QStringLiteral("'%1' is no method; the methods are %2.")
                             .arg(part, names.join(u','));
            }
            return {};
        }
        if (out.contains(found)) {
            if (error) *error = QStringLiteral("'%1' is named twice.").arg(part);
            return {};
        }
        out << found;
    }
    if (out.isEmpty() && error) *error = QStringLiteral("No methods named.");
    if (out.size() > kMaxCompareMethods) {
        if (error)
            *error = QStringLiteral("A compare shows at most %1 methods, not %2.")
                         .arg(kMaxCompareMethods)
                         .arg(out.size());
        return {};
    }
    return out;
}

std::vector<std::pair<float, float>> CompareResult::topPeaks(int count) const {
    std::vector<std::pair<float, float>> peaks;
    for (std::size_t k = 0; k < peakFreqs.size(); ++k) peaks.emplace_back(peakFreqs[k], peakDb[k]);
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const auto& x, const auto& y) { return x.second > y.second; });
    if (static_cast<int>(peaks.size()) > count) peaks.resize(static_cast<std::size_t>(count));
    return peaks;
}

bool CompareRunner::ready(QString* error) {
    paramsInit_ =
        reinterpret_cast<decltype(paramsInit_)>(engine_.resolve("specest_params_init", error));
    outputInit_ =
        reinterpret_cast<decltype(outputInit_)>(engine_.resolve("specest_output_init", error));
    capacity_ = reinterpret_cast<decltype(capacity_)>(engine_.resolve("specest_capacity", error));
    estimate_ = reinterpret_cast<decltype(estimate_)>(engine_.resolve("specest_estimate", error));
    paramsInit64_ =
        reinterpret_cast<decltype(paramsInit64_)>(engine_.resolve("specest_params_init64", error));
    outputInit64_ =
        reinterpret_cast<decltype(outputInit64_)>(engine_.resolve("specest_output_init64", error));
    capacity64_ =
        reinterpret_cast<decltype(capacity64_)>(engine_.resolve("specest_capacity64", error));
    estimate64_ =
        reinterpret_cast<decltype(estimate64_)>(engine_.resolve("specest_estimate64", error));
    return paramsInit_ && outputInit_ && capacity_ && estimate_ && paramsInit64_ && outputInit64_ &&
           capacity64_ && estimate64_;
}

std::vector<CompareResult>
CompareRunner::run(const CompareSetup& setup, const QList<int>& methods,
                   const std::atomic<bool>& cancel, int threads,
                   const std::function<void(const CompareResult&)>& done) {
    std::vector<CompareResult> results(static_cast<std::size_t>(methods.size()));
    std::vector<std::string> windows(results.size());
    specest_params base;
    if (setup.modern)
        paramsInit64_(&base);
    else
        paramsInit_(&base);
    const double fs = setup.modern ? compareSamplingRate(setup) : 0;
    for (std::size_t k = 0; k < results.size(); ++k) {
        CompareResult& r = results[k];
        r.method = methods[static_cast<qsizetype>(k)];
        const rec::MethodInfo* info = rec::method_info(r.method);
        r.name = info ? QString::fromLatin1(info->form_name.data(),
                                            static_cast<qsizetype>(info->form_name.size()))
                      : QString();
        r.shortName = info ? QString::fromLatin1(info->short_name.data(),
                                                 static_cast<qsizetype>(info->short_name.size()))
                           : QString();
        r.params = compareParams(setup, r.method, &r.defaulted, &base);
        if (info && rec::uses(info->settings, Field::window)) {
            const QString w = setup.answers.answer(rec::question(Field::window)).trimmed();
            windows[k] = w.isEmpty() || w == rec::kNotApplicable.data() ? std::string("Rectangular")
                                                                        : w.toStdString();
            if (w.isEmpty() || w == QLatin1String(rec::kNotApplicable.data()))
                r.defaulted << QStringLiteral("window=Rectangular");
            if (setup.modern)
                windows[k] = modernWindowName(QString::fromStdString(windows[k])).toStdString();
            r.params.window = windows[k].c_str();
        }
        if (setup.modern) {
            // The modern file run's mapping: fs from the data's times, the grid as given.
            r.params.times = nullptr;
            r.params.fs = fs;
            r.params.dt = fs > 0 ? 1 / fs : 1;
        }
        r.settings = settingsText(r.params);
    }
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (;;) {
            const std::size_t k = next++;
            if (k >= results.size() || cancel.load()) return;
            CompareResult& r = results[k];
            r.ran = true;
            char message[1024] = {};
            if (setup.modern) {
                runModern(setup, r, message, sizeof message);
                if (done) done(r);
                continue;
            }
            specest_capacity_info cap{};
            cap.size = sizeof cap;
            r.status = capacity_(&r.params, &cap, message, sizeof message);
            if (r.status == SPECEST_SUCCESS) {
                specest_output out;
                outputInit_(&out);
                r.freqs.resize(static_cast<std::size_t>(cap.grid));
                r.db.resize(static_cast<std::size_t>(cap.grid));
                r.peakFreqs.resize(static_cast<std::size_t>(cap.peaks));
                r.peakDb.resize(static_cast<std::size_t>(cap.peaks));
                out.freqs = r.freqs.data();
                out.db = r.db.data();
                out.grid_cap = cap.grid;
                out.peak_freqs = r.peakFreqs.data();
                out.peak_db = r.peakDb.data();
                out.peak_cap = cap.peaks;
                out.message = message;
                out.message_cap = sizeof message;
                out.report_sink = reportSink;
                out.report_user = &r.report;
                r.status = estimate_(&r.params, setup.samples.data(), setup.count, &out);
                const auto nf = static_cast<std::size_t>(std::clamp(out.n_freq, 0, cap.grid));
                r.freqs.resize(nf);
                r.db.resize(nf);
                const auto np = static_cast<std::size_t>(std::clamp(out.n_peaks, 0, cap.peaks));
                r.peakFreqs.resize(np);
                r.peakDb.resize(np);
                r.sig2 = out.sig2;
                r.zeroFill = out.zero_fill;
                r.tStart = out.t_start;
                r.tFinal = out.t_final;
                r.npts = out.npts;
            }
            r.message = QString::fromLocal8Bit(message).trimmed();
            if (r.status != SPECEST_SUCCESS && r.message.isEmpty())
                r.message =
                    r.status == SPECEST_ESTIMATOR_FAILURE
                        ? QStringLiteral("the estimator failed; its report says why")
                        : QStringLiteral("the engine refused the run (status %1)").arg(r.status);
            if (done) done(r);
        }
    };
    if (threads <= 0) threads = std::max(1, QThread::idealThreadCount());
    threads = std::min<int>(threads, static_cast<int>(results.size()));
    std::vector<std::thread> pool;
    for (int i = 1; i < threads; ++i) pool.emplace_back(worker);
    worker();
    for (std::thread& t : pool) t.join();
    return results;
}

QString modernWindowName(const QString& jobWindow) {
    const QString w = jobWindow.trimmed();
    if (w.isEmpty() || w.startsWith(QStringLiteral("Rectang")) || w.startsWith(u'N'))
        return QStringLiteral("boxcar");
    if (w == u"Barlett") return QStringLiteral("bartlett");
    if (w == u"Hanning") return QStringLiteral("hann");
    if (w == u"Hamming") return QStringLiteral("hamming");
    if (w == u"Blackman") return QStringLiteral("blackman");
    return w; // the engine refuses it, naming it
}

double compareSamplingRate(const CompareSetup& setup) {
    const int n = setup.count;
    if (n < 2 || static_cast<int>(setup.times.size()) < n) return 0;
    const int used = setup.answers.answer(rec::question(Field::npts)).trimmed().toInt();
    const int last = used > 1 ? std::min(used, n) - 1 : n - 1;
    const double span = static_cast<double>(setup.times[static_cast<std::size_t>(last)]) -
                        static_cast<double>(setup.times[0]);
    return span > 0 ? last / span : 0;
}

void CompareRunner::runModern(const CompareSetup& setup, CompareResult& r, char* message,
                              int messageCap) {
    // The samples the job uses, widened as the modern file run widens them.
    const int used = r.params.npts > 0 ? std::min(r.params.npts, setup.count) : setup.count;
    const std::size_t values = static_cast<std::size_t>(used) * (setup.complex ? 2 : 1);
    const std::vector<double> samples(setup.samples.begin(),
                                      setup.samples.begin() + static_cast<std::ptrdiff_t>(values));
    r.params.npts = 0;
    if (!(r.params.fs > 0)) {
        r.status = SPECEST_INVALID_INPUT;
        std::snprintf(message, static_cast<std::size_t>(messageCap), "%s",
                      "the data's time values give no sampling frequency");
        return;
    }
    specest_capacity_info cap{};
    cap.size = sizeof cap;
    r.status = capacity64_(&r.params, used, &cap, message, messageCap);
    if (r.status != SPECEST_SUCCESS) return;
    specest_output64 out;
    outputInit64_(&out);
    std::vector<double> psd(static_cast<std::size_t>(cap.grid)),
        peaks(static_cast<std::size_t>(cap.peaks) * 3);
    r.frequencyHz.resize(static_cast<std::size_t>(cap.grid));
    r.densityDb.resize(static_cast<std::size_t>(cap.grid));
    out.freqs = r.frequencyHz.data();
    out.psd = psd.data();
    out.db = r.densityDb.data();
    out.grid_cap = cap.grid;
    out.peaks = peaks.data();
    out.peak_cap = cap.peaks;
    out.message = message;
    out.message_cap = messageCap;
    out.report_sink = reportSink;
    out.report_user = &r.report;
    r.status = estimate64_(&r.params, samples.data(), used, &out);
    const auto nf = static_cast<std::size_t>(std::clamp(out.n_freq, 0, cap.grid));
    r.frequencyHz.resize(nf);
    r.densityDb.resize(nf);
    r.freqs.assign(r.frequencyHz.begin(), r.frequencyHz.end());
    r.db.assign(r.densityDb.begin(), r.densityDb.end());
    const auto np = static_cast<std::size_t>(std::clamp(out.n_peaks, 0, cap.peaks));
    r.peakFreqs.clear();
    r.peakDb.clear();
    for (std::size_t i = 0; i < np; ++i) {
        r.peakFreqs.push_back(static_cast<float>(peaks[3 * i]));
        r.peakDb.push_back(static_cast<float>(10 * std::log10(peaks[3 * i + 1])));
    }
    r.sig2 = static_cast<float>(out.sig2);
    r.npts = out.npts;
}

std::vector<plot::ModernCurve> compareModernCurves(const std::vector<CompareResult>& results) {
    std::vector<plot::ModernCurve> curves;
    for (const CompareResult& r : results) {
        if (!r.ok() || r.frequencyHz.empty()) continue;
        plot::ModernCurve c;
        c.frequencyHz = r.frequencyHz;
        c.densityDb = r.densityDb;
        c.label = r.settings.isEmpty() ? r.name : r.name + QStringLiteral(", ") + r.settings;
        plot::orderByFrequency(c);
        curves.push_back(std::move(c));
    }
    return curves;
}

bool writeCompareReports(const QString& jobPath, const std::vector<CompareResult>& results,
                         QString* error) {
    for (const CompareResult& r : results) {
        if (!r.ran || r.report.isEmpty()) continue;
        const QString path = jobPath + u'.' + r.shortName + QStringLiteral(".out");
        QString why;
        if (!writeFileAtomically(path, r.report, &why)) {
            if (error) *error = QStringLiteral("%1 cannot be written: %2").arg(path, why);
            return false;
        }
    }
    return true;
}

QByteArray comparePeaksCsv(const std::vector<CompareResult>& results) {
    QByteArray csv = "method,rank,frequency,level\n";
    for (const CompareResult& r : results) {
        int rank = 0;
        for (const auto& [f, level] : r.topPeaks())
            csv += r.shortName.toLatin1() + ',' + QByteArray::number(++rank) + ',' + shortest(f) +
                   ',' + shortest(level) + '\n';
    }
    return csv;
}

CompareOverlay compareOverlay(const CompareSetup& setup,
                              const std::vector<CompareResult>& results) {
    CompareOverlay o;
    std::vector<plot::PlotInput> inputs;
    for (const CompareResult& r : results) {
        if (!r.ok()) continue;
        plot::PlotInput in;
        in.frequencies = r.freqs;
        in.spectrum = r.db;
        in.nPts = r.npts;
        in.nFreqPts = static_cast<int>(r.freqs.size());
        in.tStart = r.tStart;
        in.tFinal = r.tFinal;
        in.zeroFill = r.zeroFill;
        in.sig2 = r.sig2;
        in.methodName = r.name;
        in.jobPath = setup.jobPath;
        in.jobName = QFileInfo(setup.jobPath).fileName();
        const rec::MethodInfo* info = rec::method_info(r.method);
        in.parametric = info && info->parametric;
        in.orders = r.settings;
        inputs.push_back(std::move(in));
    }
    if (inputs.empty()) return o;
    o.live = inputs.back();
    inputs.pop_back();
    o.held = std::move(inputs);
    o.live->texts.title =
        QStringLiteral("Compare of %1 Estimates by Lumetra (tm)").arg(o.held.size() + 1);
    o.live->texts.info = {
        QStringLiteral("Time (sec.): %1  to %2").arg(o.live->tStart).arg(o.live->tFinal),
        QStringLiteral("%1 methods on the same data").arg(o.held.size() + 1)};
    return o;
}

QString compareStatusText(const CompareResult& r) {
    if (!r.ran) return QStringLiteral("cancelled");
    if (r.status == SPECEST_SUCCESS) return QStringLiteral("ok");
    return QStringLiteral("failed: ") + r.message;
}

} // namespace lumetra
