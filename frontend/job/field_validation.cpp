#include "field_validation.h"

#include "method_table.h"
#include "question_table.h"

#include <cfloat>
#include <climits>
#include <cmath>

namespace lumetra {
namespace {

using record::Field;

// The job file carries 32-bit integers and single-precision reals.
constexpr double kIntMax = INT_MAX;
constexpr double kRealMax = FLT_MAX;

// The short name of a question: the label's words before its first ':', else the label
// without its number and question mark.
QString questionName(int number) {
    QString label = questionLabel(number);
    const qsizetype mark = label.indexOf(u'\u00BB');
    if (mark >= 0) label = label.mid(mark + 1);
    const qsizetype colon = label.indexOf(u':');
    if (colon > 0) label = label.left(colon);
    label = label.trimmed();
    if (label.endsWith(u'?')) label.chop(1);
    return label;
}

} // namespace

std::optional<FieldRange> questionRange(int number, const QString& method) {
    if (number < 1 || number > kQuestionCount) return std::nullopt;
    const Field f = record::field_at_question(number);
    if (record::info(f).kind == record::Kind::text) return std::nullopt;
    // The time format is not asked on the form; the method's own settings only when it uses them.
    if (f == Field::time_format || !methodUsesField(method, f)) return std::nullopt;
    const record::MethodInfo* m = methodByFormName(method);
    switch (f) {
    case Field::header_lines:
    case Field::npts:
        return FieldRange{true, 0, kIntMax};
    case Field::npoints:
        return FieldRange{true, 1, record::kMaxFormPoints};
    case Field::npoles:
        return FieldRange{true, 0, record::kMaxPoles};
    case Field::nzeros:
        return FieldRange{true, 0, record::kMaxZeros};
    case Field::mode:
        return FieldRange{true, 0, 1};
    case Field::m_eqs:
    case Field::m_lags:
        return FieldRange{true, 1, kIntMax};
    case Field::l_pts:
        if (m && m->method == record::Method::mvse)
            return FieldRange{true, 2, record::kMaxMvsePoints};
        if (m && m->method == record::Method::durbin) return FieldRange{true, 0, record::kMaxOrder};
        return FieldRange{true, 1, record::kMaxOrder};
    case Field::nit:
        return FieldRange{true, 1, record::kMaxIterations};
    case Field::eps:
    case Field::per:
        return FieldRange{false, 0, kRealMax};
    default:
        return std::nullopt;
    }
}

QString rangeText(const FieldRange& r) {
    const QString kind = r.whole ? QStringLiteral("a whole number") : QStringLiteral("a number");
    if (r.high >= (r.whole ? kIntMax : kRealMax))
        return kind + QStringLiteral(" of at least ") + QString::number(r.low, 'g', 10);
    return kind + QStringLiteral(" from ") + QString::number(r.low, 'g', 10) +
           QStringLiteral(" to ") + QString::number(r.high, 'g', 10);
}

std::optional<FieldProblem> checkAnswers(const JobAnswers& answers) {
    const QString& method = answers.answer(record::question(Field::method));
    for (int n = 1; n <= kQuestionCount; ++n) {
        const std::optional<FieldRange> range = questionRange(n, method);
        if (!range) continue;
        const QString typed = answers.answer(n).trimmed();
        bool isNumber = false;
        const double v = typed.toDouble(&isNumber);
        const bool ok = isNumber && std::isfinite(v) && (!range->whole || v == std::floor(v)) &&
                        v >= range->low && v <= range->high;
        if (ok) continue;
        const QString shown = typed.isEmpty() ? QStringLiteral("nothing") : u'\'' + typed + u'\'';
        FieldProblem p;
        p.question = n;
        p.control = questionControl(n);
        p.text = QStringLiteral("Question ") + QString::number(n) + QStringLiteral(" (") +
                 questionName(n) + QStringLiteral(") needs ") + rangeText(*range) +
                 QStringLiteral("; it has ") + shown + u'.';
        return p;
    }
    return std::nullopt;
}

} // namespace lumetra
