// Reading a job file (or the settings file) one answer per line.
#pragma once

#include <QFile>
#include <QString>

namespace lumetra {

inline const QString kEndOfFile = QStringLiteral("-EOF-");

// s without the blanks (not tabs) at either end.
QString trimBlanks(const QString& s);

// The value part of a raw line: text before the first "!", blanks trimmed, a value beginning
// with "-999" emptied, tabs removed, trimmed again.
QString cleanAnswer(const QString& rawLine);

class JobLineReader {
  public:
    bool open(const QString& path);
    QString errorString() const { return file_.errorString(); }
    // The next cleaned line, or "-EOF-" at the end or after any read error (for good).
    QString readAnswer();
    // The next line exactly as stored (line end removed), or "-EOF-".
    QString readRawLine();
    void close() { file_.close(); }

  private:
    QFile file_;
};

} // namespace lumetra
