#include "job_file_writer.h"

#include "method_table.h"
#include "points_rounding.h"
#include "question_table.h"

#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>

namespace lumetra {
namespace {

QString trimBlanks(const QString& s) {
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == u' ') ++b;
    while (e > b && s[e - 1] == u' ') --e;
    return s.mid(b, e - b);
}

} // namespace

QString jobLine(const QString& value, const QString& commentText) {
    QString v = trimBlanks(value);
    if (v.isEmpty()) v = QStringLiteral("-999");
    return v + QStringLiteral("  \t\t! ") + commentText.left(50);
}

QString jobDateComment(const QDateTime& when) {
    // Month names in English whatever the user's locale: the file is shared with the engine.
    const QLocale c = QLocale::c();
    const QString date = c.toString(when, QStringLiteral("MMMM dd, yyyy @ h:mm AP"));
    return QStringLiteral(" 18; ") + date;
}

QString jobFileText(const QString& name, JobAnswers& answers, const QDateTime& when) {
    const PointsRounding r = roundPointsToPowerOfTwo(answers.answer(8));
    if (r.ok) answers.setAnswer(8, QString::number(r.value));
    answers.setAnswer(5, QStringLiteral("-999"));

    QStringList lines;
    lines << jobLine(name, jobDateComment(when));
    for (int n = 1; n <= 8; ++n) lines << jobLine(answers.answer(n), questionLabel(n));
    const QList<int> used = methodQuestions(answers.answer(6));
    for (int n = 9; n <= kQuestionCount; ++n) {
        const QString value = used.contains(n) ? answers.answer(n) : QStringLiteral("-999");
        lines << jobLine(value, questionLabel(n));
    }
    lines << jobLine(answers.note(1), noteComment(1));
    lines << jobLine(answers.note(2), noteComment(2));
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

JobWriteOutcome writeJobFile(const QString& path, const QString& name, JobAnswers& answers,
                             const QDateTime& when) {
    JobWriteOutcome out;
    const PointsRounding r = roundPointsToPowerOfTwo(answers.answer(8));
    if (!r.ok) {
        out.kind = JobWriteOutcome::ValueError;
        out.errorNumber = r.errorNumber;
        out.description = r.description;
        return out;
    }
    // A write-protected job (the examples) must stay as it is, even though the directory
    // would let a rename replace it.
    const QFileInfo info(path);
    const auto writeBits =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() &&
        (!info.isFile() || !info.isWritable() || !(info.permissions() & writeBits))) {
        out.kind = JobWriteOutcome::FileError;
        out.errorNumber = 75;
        out.description = QStringLiteral("Path/File access error");
        return out;
    }
    const QByteArray bytes = jobFileText(name, answers, when).toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        out.kind = JobWriteOutcome::FileError;
        out.errorNumber = 75;
        out.description = file.errorString();
        file.cancelWriting();
        return out;
    }
    return out;
}

} // namespace lumetra
