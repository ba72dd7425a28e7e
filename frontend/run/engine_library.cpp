#include "engine_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMutexLocker>

#include <specest/specest.h>

namespace lumetra {
namespace {

// The engine beside the program (a build tree, a portable folder); else, for a program
// installed under a prefix, the library by its SONAME in the prefix's library folder (the
// unversioned link belongs to the development package). Otherwise the path as given, so a
// failure names it.
QString enginePath(const QString& path) {
    const QString unversioned = QStringLiteral("/libspecest.so");
    if (!path.endsWith(unversioned) || QFileInfo::exists(path)) return path;
    const QString dir = path.left(path.size() - unversioned.size());
    const QString installed =
        QDir::cleanPath(dir + QStringLiteral("/" LUMETRA_BIN_TO_LIB "/libspecest.so.1"));
    return QFileInfo::exists(installed) ? installed : path;
}

} // namespace

EngineLibrary::EngineLibrary(const QString& path) {
    setPath(path.isEmpty()
                ? QCoreApplication::applicationDirPath() + QStringLiteral("/libspecest.so")
                : path);
}

EngineLibrary::~EngineLibrary() = default; // the library stays mapped until the process ends

void EngineLibrary::setPath(const QString& path) {
    const QString resolved = enginePath(path);
    if (resolved == path_) return;
    if (library_.isLoaded()) library_.unload();
    run_ = nullptr;
    outputInit_ = nullptr;
    runFile_ = nullptr;
    path_ = resolved;
    library_.setFileName(path_);
}

bool EngineLibrary::load(QString* message) {
    if (run_) return true;
    if (!library_.load()) {
        if (message)
            *message = QStringLiteral("The engine library '") + path_ +
                       QStringLiteral("' could not be loaded:\n") + library_.errorString();
        return false;
    }
    run_ = reinterpret_cast<RunFunction>(library_.resolve("specest_run"));
    if (!run_) {
        if (message)
            *message = QStringLiteral("The engine library '") + path_ +
                       QStringLiteral("' has no entry point 'specest_run'.");
        return false;
    }
    outputInit_ = reinterpret_cast<OutputInit>(library_.resolve("specest_output_init"));
    runFile_ = reinterpret_cast<RunFileFunction>(library_.resolve("specest_run_file"));
    return true;
}

QFunctionPointer EngineLibrary::resolve(const char* name, QString* message) {
    QMutexLocker lock(&mutex_);
    if (!load(message)) return nullptr;
    const QFunctionPointer f = library_.resolve(name);
    if (!f && message)
        *message = QStringLiteral("The engine library '") + path_ +
                   QStringLiteral("' has no entry point '") + QLatin1String(name) + u'\'';
    return f;
}

void EngineLibrary::run(const QString& jobPath, const QString& reportDir, RunResult& result) {
    QMutexLocker lock(&mutex_);
    QString message;
    if (!load(&message)) {
        result.status = RunStatus::NotRun;
        result.stopText = message;
        return;
    }
    const QByteArray job = jobPath.toLocal8Bit();
    const QByteArray dir = reportDir.toLocal8Bit();
    if (runFile_ && outputInit_) {
        runFile(job, dir, result);
        return;
    }
    char stopText[1024] = {};
    result.npointsZ = result.capacity;
    const int32_t status =
        run_(job.constData(), static_cast<int32_t>(job.size()), dir.constData(), SPECEST_NO_PAUSE,
             result.x_array.data(), result.spectrum.data(), &result.nptsZ, &result.npointsZ,
             &result.t_startZ, &result.t_finalZ, &result.zeroFillZ, &result.sig2Z, stopText,
             static_cast<int32_t>(sizeof stopText));
    result.stopText = QString::fromLocal8Bit(stopText).trimmed();
    switch (status) {
    case SPECEST_SUCCESS:
        result.status = RunStatus::Success;
        break;
    case SPECEST_ESTIMATOR_FAILURE:
        result.status = RunStatus::EstimatorFailure;
        break;
    case SPECEST_STOPPED:
        result.status = RunStatus::Stopped;
        break;
    default:
        result.status = RunStatus::NotRun;
        if (result.stopText.isEmpty())
            result.stopText = QStringLiteral("The engine refused the call (status ") +
                              QString::number(status) + u')';
        break;
    }
    // The engine's count can never exceed what the arrays hold.
    if (result.npointsZ < 0 || result.npointsZ > result.capacity) result.npointsZ = result.capacity;
}

namespace {

void collectReport(const char* text, int32_t length, void* user) {
    static_cast<QByteArray*>(user)->append(text, length);
}

} // namespace

// The same run through specest_run_file: the report text comes from the run itself, never from
// the shared ~Lumetra.out another run may have replaced.
void EngineLibrary::runFile(const QByteArray& job, const QByteArray& dir, RunResult& result) {
    char message[1024] = {};
    specest_output out;
    outputInit_(&out);
    out.freqs = result.x_array.data();
    out.db = result.spectrum.data();
    out.grid_cap = result.capacity;
    out.message = message;
    out.message_cap = static_cast<int32_t>(sizeof message);
    result.report.clear();
    out.report_sink = collectReport;
    out.report_user = &result.report;
    const int32_t status = runFile_(job.constData(), dir.constData(), SPECEST_NO_PAUSE, &out);
    result.stopText = QString::fromLocal8Bit(message).trimmed();
    result.t_finalZ = out.t_final;
    result.sig2Z = out.sig2;
    result.zeroFillZ = status == SPECEST_SUCCESS ? out.zero_fill : -99.0f;
    switch (status) {
    case SPECEST_SUCCESS:
        result.status = RunStatus::Success;
        result.nptsZ = out.npts;
        result.npointsZ = out.n_freq;
        result.t_startZ = out.t_start;
        break;
    case SPECEST_ESTIMATOR_FAILURE:
        result.status = RunStatus::EstimatorFailure;
        break;
    case SPECEST_STOPPED:
    case SPECEST_INVALID_INPUT:
        result.status = RunStatus::Stopped;
        break;
    default:
        result.status = RunStatus::NotRun;
        if (result.stopText.isEmpty())
            result.stopText = QStringLiteral("The engine refused the call (status ") +
                              QString::number(status) + u')';
        break;
    }
    if (result.npointsZ < 0 || result.npointsZ > result.capacity) result.npointsZ = result.capacity;
}

} // namespace lumetra
