// Data windows: the index-shifted cosine family and the triangle.
#include "run_context.h"
#include "test_support.h"
#include "windows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace specest {
namespace {

class WindowTest : public test::ReportTest {};

TEST_F(WindowTest, RectangularFromPrefix) {
    for (const char* name : {"Rectangular", "Rectangle", "Rectang"}) {
        std::vector<float> w(9, -1.0f);
        ASSERT_TRUE(window_weights(Vec1<float>(w), 9, name));
        for (float v : w) EXPECT_EQ(v, 1.0f);
    }
}

TEST_F(WindowTest, HanningIsShiftedByOneSample) {
    std::vector<float> w(5);
    ASSERT_TRUE(window_weights(Vec1<float>(w), 5, "Hanning  "));
    EXPECT_NEAR(w[1], 1.0f, 1e-6f);
    EXPECT_NEAR(w[3], 0.0f, 1e-6f);
    for (int i : {0, 2, 4}) EXPECT_NEAR(w[i], 0.31794f, 1e-5f);
}

TEST_F(WindowTest, CosineFamilyAgainstFormula) {
    struct Case {
        const char* name;
        double a0, a1, a2;
    };
    for (const Case& c : {Case{"Hamming", 0.4243801, 0.4973406, 0.0782793},
                          Case{"Blackman", 7938.0 / 18608, 9240.0 / 18608, 1430.0 / 18608}}) {
        const int n = 64;
        std::vector<float> w(n);
        ASSERT_TRUE(window_weights(Vec1<float>(w), n, c.name));
        for (int i = 1; i <= n; ++i) {
            const double t = 2 * M_PI * i / (n - 1);
            EXPECT_FLOAT_EQ(w[i - 1],
                            static_cast<float>(c.a0 - c.a1 * std::cos(t) + c.a2 * std::cos(2 * t)))
                << c.name << " i=" << i;
        }
        // The textbook window's end value sits at N-1.
        EXPECT_NEAR(w[n - 2], static_cast<float>(c.a0 - c.a1 + c.a2), 1e-6f);
    }
}

TEST_F(WindowTest, Triangle) {
    std::vector<float> w(5);
    ASSERT_TRUE(window_weights(Vec1<float>(w), 5, "Barlett"));
    const float expect[] = {0.5f, 1.0f, 0.5f, 0.0f, -0.5f};
    for (int i = 0; i < 5; ++i) EXPECT_FLOAT_EQ(w[i], expect[i]);
}

TEST_F(WindowTest, SinglePointWindowIsOne) {
    std::vector<float> w(1, 0.0f);
    ASSERT_TRUE(window_weights(Vec1<float>(w), 1, "Hamming"));
    EXPECT_EQ(w[0], 1.0f);
}

TEST_F(WindowTest, UnknownNamesAreReportedAndLeaveTheArray) {
    for (const char* name : {"hanning", "Bartlett", "None"}) {
        std::vector<float> w(4, 7.0f);
        EXPECT_FALSE(window_weights(Vec1<float>(w), 4, name));
        for (float v : w) EXPECT_EQ(v, 7.0f);
    }
    const std::string r = report();
    EXPECT_EQ(test::count_lines_with(r, " Window name in error!  Name must be one of following:"),
              3);
    EXPECT_EQ(test::count_lines_with(r, "    Rectangle, Barlett, Hanning, Hamming, or Blackman."),
              3);
    EXPECT_EQ(test::count_lines_with(r, "         Window name error"), 3);
}

} // namespace
} // namespace specest
