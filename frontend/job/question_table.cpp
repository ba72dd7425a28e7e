#include "question_table.h"

#include <array>

namespace lumetra {
namespace {

struct QuestionRow {
    const char16_t* label;
    const char* control;
    const char* designDefault;
};

// Labels carry the double angle quotation mark and two blanks after the number.
const std::array<QuestionRow, kQuestionCount> kRows{{
    {u"1. \u00BB  File name containing data points for analysis?", "timeData", "Real.Rda"},
    {u"2. \u00BB  Skip how many (header) lines -before- starting to read data?", "nSkip", "0"},
    {u"3. \u00BB  Total number of lines to read for data (0 ==> All)?", "TotalLines", "0"},
    {u"4. \u00BB  Data type:  Real -or- Complex?", "FraDataType", "Real"},
    {u"5. \u00BB  x-Data format in Time units ... HH:MM:SS?", "", "-999"},
    {u"6. \u00BB  Select a Method/Algorithm for Spectral Estimation?", "Methods", "-Select-"},
    {u"7. \u00BB  Want negative frequencies in plots?", "FraNegFreq", "No"},
    {u"8. \u00BB  nPoints: must be power of 2 (e.g. 64, 128, 256, etc.)?", "nPoints", "64"},
    {u"9. \u00BB  nPoles: AR (AutoRegressive) model order? ", "nPoles", "10"},
    {u"10. \u00BB  nZeros: MA (Moving Average) model order?", "nZeros", "0"},
    {u"11. \u00BB  EPS: Small positive number to test for ill-conditioning of Hessian?", "EPS",
     "1.e-15"},
    {u"12. \u00BB  Mode: 0 or 1 ?", "Mode", "0"},
    {u"13. \u00BB  M equations: ?", "Meqn", "15"},
    {u"14. \u00BB  L points: Large AR model order (nPoints / 5 usually works well)?", "Lpts", "18"},
    {u"15. \u00BB  M lag: Largest Lag (M) ... M < nPoints / 2: ?", "mLag", "30"},
    {u"16. \u00BB  NIT: Maximum number of iterations allowed?", "NIT", "99"},
    {u"17. \u00BB  PER: stopping criterion, if % change from previous iteration less than PER?",
     "PER", "0.01"},
    {u"18. \u00BB  Windows for Time Data?", "windowName", "1"},
}};

bool valid(int number) {
    return number >= 1 && number <= kQuestionCount;
}

} // namespace

QString questionLabel(int number) {
    return valid(number) ? QString::fromUtf16(kRows[number - 1].label) : QString();
}

QString questionControl(int number) {
    return valid(number) ? QString::fromLatin1(kRows[number - 1].control) : QString();
}

QString questionDefault(int number) {
    return valid(number) ? QString::fromLatin1(kRows[number - 1].designDefault) : QString();
}

QString noteComment(int which) {
    return which == 1 ? QStringLiteral("20. \u00BB Note1") : QStringLiteral("    \u00BB Note2");
}

QString noteDefault(int which) {
    return which == 1 ? QStringLiteral("Keep notes for future runs")
                      : QStringLiteral("Your notes go here");
}

} // namespace lumetra
