// Rounding of the frequency-point answer to a power of two when a job is written.
#pragma once

#include <QString>

namespace lumetra {

struct PointsRounding {
    bool ok = false;
    int value = 0;       // the power of two, when ok
    int errorNumber = 0; // why not: 13 not a number, 6 overflow, 5 invalid argument
    QString description;
};

// Smallest power of two not below the answer taken as a 16-bit integer, up to the
// form's limit (record::kMaxFormPoints).
PointsRounding roundPointsToPowerOfTwo(const QString& answer);

} // namespace lumetra
