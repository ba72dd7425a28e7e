#include "method_table.h"

namespace lumetra {

const QStringList& methodList() {
    static const QStringList list{QStringLiteral("-Select-"),
                                  QStringLiteral("Auto-Correlation"),
                                  QStringLiteral("Burg"),
                                  QStringLiteral("Covariance"),
                                  QStringLiteral("Modified Covariance"),
                                  QStringLiteral("MYWE"),
                                  QStringLiteral("LSMYWE"),
                                  QStringLiteral("Mayne-Firoozan"),
                                  QStringLiteral("Durbin"),
                                  QStringLiteral("Periodogram"),
                                  QStringLiteral("Blackman-Tukey"),
                                  QStringLiteral("MVSE"),
                                  QStringLiteral("Lockheed (Autocorr/Burg)"),
                                  QStringLiteral("Akaike"),
                                  QStringLiteral("RMLE")};
    return list;
}

QList<int> methodQuestions(const QString& method) {
    // Names are compared exactly, letter case included.
    if (method == u"Auto-Correlation" || method == u"Burg" || method == u"RMLE") return {9};
    if (method == u"Covariance" || method == u"Modified Covariance") return {9, 11};
    if (method == u"MYWE") return {9, 10, 11};
    if (method == u"LSMYWE") return {9, 10, 11, 13};
    if (method == u"Mayne-Firoozan") return {9, 10, 11, 14};
    if (method == u"Durbin") return {10, 14};
    if (method == u"Periodogram") return {18};
    if (method == u"Blackman-Tukey") return {12, 15};
    if (method == u"MVSE") return {9, 11, 12, 14};
    if (method == u"Lockheed (Autocorr/Burg)") return {9, 10};
    if (method == u"Akaike") return {9, 10, 11, 13, 16, 17};
    return {};
}

} // namespace lumetra
