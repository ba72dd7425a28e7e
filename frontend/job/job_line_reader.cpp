#include "job_line_reader.h"

#include "method_table.h"

namespace lumetra {
QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}

QString cleanAnswer(const QString& rawLine) {
    QString s = rawLine;
    const qsizetype bang = s.indexOf(u'!');
    if (bang >= 0) s.truncate(bang);
    s = trimBlanks(s);
    if (s.startsWith(kNotApplicableText)) s.clear();
    s.remove(u'\t');
    return trimBlanks(s);
}

bool JobLineReader::open(const QString& path) {
    file_.close();
    file_.setFileName(path);
    return file_.open(QIODevice::ReadOnly);
}

QString JobLineReader::readRawLine() {
    if (!file_.isOpen() || file_.atEnd()) {
        file_.close();
        return kEndOfFile;
    }
    QByteArray line = file_.readLine();
    if (line.isEmpty() && file_.error() != QFileDevice::NoError) {
        file_.close();
        return kEndOfFile;
    }
    // Either line end is accepted.
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    return QString::fromUtf8(line);
}

QString JobLineReader::readAnswer() {
    const QString raw = readRawLine();
    if (raw == kEndOfFile && !file_.isOpen()) return kEndOfFile;
    return cleanAnswer(raw);
}

} // namespace lumetra
