#include "result_text.h"

namespace lumetra {

QStringList peakLines(const QString& reportText) {
    QStringList out;
    const QStringList lines = reportText.split(u'\n');
    for (QString line : lines) {
        if (line.endsWith(u'\r')) line.chop(1);
        const QString t = line.trimmed();
        if (t.startsWith(QStringLiteral("PSD waveform contained following peaks")) ||
            t.startsWith(QStringLiteral("Peak #")) || t.startsWith(QStringLiteral("Ck. 4 Peak")))
            out << line;
    }
    return out;
}

QString resultText(const RunResult& r, const QString& jobName, const QString& reportText) {
    QString text;
    text += QStringLiteral("Input file name = ") + jobName + u'\n';
    text += QStringLiteral("Method = ") + r.method + u'\n';
    text += QStringLiteral("Data points used = ") + QString::number(r.nptsZ) + u'\n';
    text += QStringLiteral("Frequency points = ") + QString::number(r.npointsZ) + u'\n';
    text += QStringLiteral("Time (sec.): ") + QString::number(r.t_startZ) +
            QStringLiteral("  to ") + QString::number(r.t_finalZ) + u'\n';
    text += QStringLiteral("zeroFill = ") + QString::number(r.zeroFillZ) + QStringLiteral("%\n");
    text += QStringLiteral("Noise Variance = ") + QString::number(r.sig2Z) + u'\n';
    text += u'\n';
    text += QStringLiteral("     i      Frequency     PSD (dB)\n");
    const int n = std::min<int>(r.npointsZ, static_cast<int>(r.x_array.size()));
    for (int i = 0; i < n; ++i)
        text += QStringLiteral("%1  %2  %3\n")
                    .arg(i + 1, 6)
                    .arg(static_cast<double>(r.x_array[static_cast<size_t>(i)]), 13, 'E', 5)
                    .arg(static_cast<double>(r.spectrum[static_cast<size_t>(i)]), 11, 'f', 4);
    const QStringList peaks = peakLines(reportText);
    if (!peaks.isEmpty()) text += u'\n' + peaks.join(u'\n') + u'\n';
    return text;
}

} // namespace lumetra
