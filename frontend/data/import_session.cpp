#include "import_session.h"

#include <QDir>
#include <QFileInfo>

namespace lumetra::data {

bool ImportSession::open(const QString& path, QString* error) {
    auto table = readSource(path, error);
    if (!table) return false;
    table_ = std::move(*table);
    alongRows_.reset();
    along_ = false;
    options = ImportOptions{};
    // A column named like a time, or a first column that rises evenly, is the time column.
    int time = 0;
    for (int c = 0; c < table_.columnCount() && table_.kind == SourceKind::Text; ++c) {
        const QString name = table_.names[c].trimmed().toLower();
        if (table_.hasHeader &&
            (name == u"t" || name.startsWith(u"time") || name == u"s" || name.startsWith(u"sec"))) {
            time = c + 1;
            break;
        }
    }
    if (time == 0 && table_.kind == SourceKind::Text && table_.columnCount() > 1 &&
        table_.rowCount() > 2) {
        const auto& first = table_.columns[0];
        bool rising = true;
        for (int r = 1; r < table_.rowCount() && rising; ++r)
            rising = first[r].state == CellState::Number &&
                     first[r - 1].state == CellState::Number && first[r].re > first[r - 1].re &&
                     !first[r].complex;
        if (rising) time = 1;
    }
    options.timeColumn = time;
    options.column = time == 1 && table_.columnCount() > 1 ? 2 : 1;
    if (table_.kind == SourceKind::Audio)
        options.rate = table_.sampleRate;
    else if (time == 0)
        options.rate = 1;
    return true;
}

void ImportSession::setAlongRows(bool on) {
    if (on && !canReadAlongRows()) return;
    if (on && !alongRows_) alongRows_ = transposed(table_);
    along_ = on;
    options.column = 1;
    options.imagColumn = 0;
    options.timeColumn = 0;
}

QString ImportSession::summary(const ImportedSeries& s) {
    return QStringLiteral("%1 %2 samples, every %3 s (%4 Hz)")
        .arg(s.count())
        .arg(s.complex ? QStringLiteral("complex") : QStringLiteral("real"))
        .arg(s.interval, 0, 'g', 6)
        .arg(1 / s.interval, 0, 'g', 6);
}

QString ImportSession::suggestedTarget(const QString& jobDir) const {
    const QFileInfo source(table_.path);
    return QDir(jobDir).filePath(source.completeBaseName() + QStringLiteral("-data.txt"));
}

} // namespace lumetra::data
