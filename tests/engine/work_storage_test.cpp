// Shared work area identities and the allocation-failure stop.
#include "estimator_test_context.h"
#include "run_context.h"
#include "stop.h"
#include "test_support.h"
#include "work_array.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace specest {
namespace {

TEST(WorkArea, DriverCoefficientsShareTheSolverStorage) {
    // The covariance-type estimators leave their AR coefficients in theta for the driver's a,
    // and the minimum-variance matrix rmat is the solver's hc.
    test::work().theta()(7) = cfloat(1.5f, -2.0f);
    EXPECT_EQ(test::work().a()(7), cfloat(1.5f, -2.0f));
    EXPECT_EQ(test::work().a().size(), 411);
    test::work().rmat()(84255) = cfloat(3.0f, 0.0f);
    EXPECT_EQ(test::work().hc()(84255), cfloat(3.0f, 0.0f));
    EXPECT_EQ(test::work().aa().rows(), 411);
    EXPECT_EQ(test::work().xl().rows(), 410);
}

TEST(WorkArray, ExhaustedMemoryStopsTheRunWithTheRoutinesTexts) {
    test::TempDir dir;
    ASSERT_TRUE(run_report().open((dir / "r.out").string()));
    try {
        (void)work_array<cfloat>(SIZE_MAX / 4, " Aborting FFT due to Allocation error #: ",
                                 "Allocate error in FFT routine");
        FAIL() << "no stop";
    } catch (const RunStopped& s) {
        EXPECT_EQ(s.text(), "Allocate error in FFT routine");
    }
    run_report().close();
    EXPECT_NE(
        test::read_text(dir / "r.out").find("  Aborting FFT due to Allocation error #:  5014"),
        std::string::npos);
}

} // namespace
} // namespace specest
