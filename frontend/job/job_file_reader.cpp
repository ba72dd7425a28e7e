#include "job_file_reader.h"

#include "job_line_reader.h"
#include "path_rules.h"

#include <QFileInfo>

namespace lumetra {

JobReadOutcome readJobFile(const QString& path, JobAnswers& answers) {
    JobReadOutcome out;
    JobLineReader reader;
    const QFileInfo info(path);
    if (!info.exists()) {
        out.errorNumber = 53;
        out.description = QStringLiteral("File not found");
        return out;
    }
    if (!info.isFile()) {
        out.errorNumber = 75;
        out.description = QStringLiteral("It is a folder, not a file");
        return out;
    }
    if (!reader.open(path)) {
        // The system's own words for why.
        out.errorNumber = 75;
        out.description = reader.errorString();
        return out;
    }
    reader.readAnswer();
    for (int n = 1; n <= JobAnswers::kCount; ++n) answers.setAnswer(n, reader.readAnswer());
    out.dataReference = answers.answer(1);
    answers.setAnswer(1, fileNamePart(answers.answer(1)));
    answers.setNote(1, reader.readAnswer());
    answers.setNote(2, reader.readAnswer());
    reader.close();
    out.ok = true;
    return out;
}

} // namespace lumetra
