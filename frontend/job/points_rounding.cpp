#include "points_rounding.h"

#include <specest/job_record.hpp>

#include <cmath>

namespace lumetra {

PointsRounding roundPointsToPowerOfTwo(const QString& answer) {
    PointsRounding r;
    bool isNumber = false;
    const double d = answer.trimmed().toDouble(&isNumber);
    if (!isNumber || !std::isfinite(d)) {
        r.errorNumber = 13;
        r.description = QStringLiteral("Type mismatch");
        return r;
    }
    // A 16-bit integer, rounded half to even as the conversion does.
    const double v = std::nearbyint(d);
    if (v < -32768.0 || v > 32767.0) {
        r.errorNumber = 6;
        r.description = QStringLiteral("Overflow");
        return r;
    }
    if (v < 1.0) {
        r.errorNumber = 5;
        r.description = QStringLiteral("Invalid procedure call or argument");
        return r;
    }
    // The form's answer is a 16-bit integer: no power of two above its limit fits.
    const int rounded = specest::record::round_to_power_of_two(static_cast<int>(v));
    if (rounded > specest::record::kMaxFormPoints) {
        r.errorNumber = 6;
        r.description = QStringLiteral("Overflow");
        return r;
    }
    r.ok = true;
    r.value = rounded;
    return r;
}

} // namespace lumetra
