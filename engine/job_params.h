// The job parameters record: every job setting and the run state shared between engine routines.
#pragma once

#include "specest/job_record.hpp"

#include <string>

namespace specest {

constexpr int kMaxPoles = record::kMaxPoles;
constexpr int kMaxZeros = record::kMaxZeros;
constexpr int kMaxOrder = record::kMaxOrder;
constexpr int kNotApplicable = record::kNotApplicableInt;
constexpr float kNotApplicableF = record::kNotApplicableReal;

struct JobParams {
    std::string fileIn;   // job line 1 after split
    std::string dataFile; // job line 2 after split
    int irec_skip = 0;
    int itype = 1; // 1 real data, 2 complex data
    int ixtype = 0;
    std::string method_name; // up to 21 characters
    int method = 0;          // 1..14, 0 when the name matched nothing
    int neg_freq = 0;
    int npoles = 0;
    int nzeros = 0;
    float eps = 0;
    int mode = 0;
    int m_eqs = 0;
    int l_pts = 0;
    int m_lags = 0;
    int nit = 0;
    float per = 0;
    std::string window_name;  // up to 21 characters
    std::string note1, note2; // 120 characters each
    int ipts = 0;
    int maxpoles = kMaxPoles;
    int maxzeros = kMaxZeros;
    int maxorder = kMaxOrder;
    // Run state
    int iflag = 0;
    float sig2 = 0; // set by the parametric estimators
    float t_start = 0;
    float t_final = 0;
};

// The job record of the run in progress on this thread (see RunContext), for the job reader;
// estimators get theirs from their EstimatorContext.
JobParams& job();

} // namespace specest
