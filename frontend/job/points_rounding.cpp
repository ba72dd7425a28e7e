#include "points_rounding.h"

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
    int e = static_cast<int>(std::nearbyint(std::log2(v)));
    if (std::ldexp(1.0, e) < v) ++e;
    if (e > 14) { // 2^15 no longer fits the 16-bit result
        r.errorNumber = 6;
        r.description = QStringLiteral("Overflow");
        return r;
    }
    r.ok = true;
    r.value = 1 << e;
    return r;
}

qint64 nextPowerOfTwo(qint64 n) {
    qint64 p = 1;
    while (p < n) p <<= 1;
    return p;
}

} // namespace lumetra
