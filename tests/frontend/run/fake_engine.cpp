// A stand-in for libspecest.so: ends each run the way the job's second note asks, so the
// front end's handling of every ending can be checked without a real estimator failing.
#include <specest/job_record.hpp>
#include <specest/specest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace record = specest::record;

std::vector<std::string> jobLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

} // namespace

extern "C" SPECEST_API int32_t specest_run(const char* job_path, int32_t job_path_len,
                                           const char* report_dir, int32_t, float* x_array,
                                           float* spectrum, int32_t* nptsZ, int32_t* npointsZ,
                                           float* t_startZ, float* t_finalZ, float* zeroFillZ,
                                           float* sig2Z, char* message, int32_t message_cap) {
    const std::string job(job_path, static_cast<size_t>(job_path_len));
    const std::vector<std::string> lines = jobLines(job);
    const auto note2Line = static_cast<size_t>(record::line(record::Field::note2));
    const std::string note2 = lines.size() >= note2Line ? lines[note2Line - 1] : std::string();
    const int capacity = *npointsZ;
    std::ofstream report(std::string(report_dir) + "/~Lumetra.out");
    report << " filenam = " << job << "<===\n";
    report << " capacity = " << capacity << "\n";
    report << " first = " << x_array[0] << " " << spectrum[0] << "\n";
    if (note2.rfind("stop", 0) == 0) {
        report << " Input ERROR\n";
        std::snprintf(message, static_cast<size_t>(message_cap), "%s",
                      " L_PTS parameter out of range");
        *zeroFillZ = -99.0f;
        return SPECEST_STOPPED;
    }
    if (note2.rfind("fail", 0) == 0) {
        // Akaike's iteration limit, worded as the engine words it.
        if (note2.rfind("failnit", 0) == 0)
            report << " IFGLAG, EPS and NIT =  2     1.000E-15    99\n"
                   << " ALL NIT iterations completed causing termination.\n";
        report << " ----------- No Plot ! -----------\n";
        *zeroFillZ = -99.0f;
        *t_finalZ = 63.0f;
        return SPECEST_ESTIMATOR_FAILURE;
    }
    // Every element the caller said it has is written, and no more.
    for (int i = 0; i < capacity; ++i) {
        x_array[i] = static_cast<float>(i) - capacity / 2.0f;
        spectrum[i] = i == capacity / 2 ? 0.0f : -50.0f;
    }
    report << "      -----------------------------------------------------\n";
    report << "      PSD waveform contained following peaks\n";
    report << " Peak # 1  at Freq = 0.00000E+00  Ampl. = 0.00000E+00\n";
    *nptsZ = 64;
    *npointsZ = capacity;
    *t_startZ = 0.0f;
    *t_finalZ = 63.0f;
    *zeroFillZ = note2.rfind("zerofill", 0) == 0 ? -99.0f : 0.0f;
    *sig2Z = 0.5f;
    return SPECEST_SUCCESS;
}
