#include "job_file_writer.h"

#include "atomic_write.h"

#include "job_line_reader.h"
#include "method_table.h"
#include "points_rounding.h"
#include "question_table.h"

#include <QFileInfo>
#include <QLocale>

namespace lumetra {
QString jobLine(const QString& value, const QString& commentText) {
    QString v = trimBlanks(value);
    if (v.isEmpty()) v = kNotApplicableText;
    return v + QStringLiteral("  \t\t! ") + commentText.left(50);
}

QString jobDateComment(const QDateTime& when) {
    // Month names in English whatever the user's locale: the file is shared with the engine.
    const QLocale c = QLocale::c();
    const QString date = c.toString(when, QStringLiteral("MMMM dd, yyyy @ h:mm AP"));
    return QStringLiteral(" 18; ") + date;
}

QString jobFileText(const QString& name, JobAnswers& answers, const QDateTime& when) {
    const int points = record::question(record::Field::npoints);
    const PointsRounding r = roundPointsToPowerOfTwo(answers.answer(points));
    if (r.ok) answers.setAnswer(points, QString::number(r.value));
    const QString& marker = kNotApplicableText;
    answers.setAnswer(record::question(record::Field::time_format), marker);

    QStringList lines;
    lines << jobLine(name, jobDateComment(when));
    const QString& method = answers.answer(record::question(record::Field::method));
    for (int n = 1; n <= kQuestionCount; ++n) {
        const bool used = methodUsesField(method, record::field_at_question(n));
        lines << jobLine(used ? answers.answer(n) : marker, questionLabel(n));
    }
    lines << jobLine(answers.note(1), noteComment(1));
    lines << jobLine(answers.note(2), noteComment(2));
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

JobWriteOutcome writeJobFile(const QString& path, const QString& name, JobAnswers& answers,
                             const QDateTime& when) {
    JobWriteOutcome out;
    const PointsRounding r =
        roundPointsToPowerOfTwo(answers.answer(record::question(record::Field::npoints)));
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
    QString why;
    if (!writeFileAtomically(path, bytes, &why)) {
        out.kind = JobWriteOutcome::FileError;
        out.errorNumber = 75;
        out.description = why;
        return out;
    }
    return out;
}

} // namespace lumetra
