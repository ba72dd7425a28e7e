// What one engine run hands back: the result block and how the run ended.
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

namespace lumetra {

enum class RunStatus {
    Success,          // arrays and scalars hold a spectrum
    EstimatorFailure, // "Decomposition failed."; the reason is in the run report
    Stopped,          // input error or resource failure; stopText says why
    NotRun,           // the engine could not be called; stopText says why
};

struct RunResult {
    RunStatus status = RunStatus::NotRun;
    QString stopText;
    QString method; // trimmed method line of the job, for the titles
    QString jobPath;
    std::vector<float> x_array; // x_array[0] is element 1
    std::vector<float> spectrum;
    int32_t capacity = 0; // elements in both arrays
    int32_t nptsZ = 0;
    int32_t npointsZ = 0;
    float t_startZ = 0.0f;
    float t_finalZ = 0.0f;
    float zeroFillZ = 0.0f;
    float sig2Z = 0.0f;
    bool modern = false; // run in the modern profile: the pipeline holds its curve
    QByteArray report;   // this run's report text (empty when the engine cannot hand it over)
};

} // namespace lumetra
