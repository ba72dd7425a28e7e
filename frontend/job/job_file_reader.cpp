#include "job_file_reader.h"

#include "job_line_reader.h"
#include "path_rules.h"

#include <QFileInfo>

namespace lumetra {

JobReadOutcome readJobFile(const QString& path, JobAnswers& answers) {
    JobReadOutcome out;
    JobLineReader reader;
    if (!QFileInfo(path).isFile() || !reader.open(path)) {
        out.errorNumber = QFileInfo::exists(path) ? 75 : 53;
        out.description = QFileInfo::exists(path) ? QStringLiteral("Path/File access error")
                                                  : QStringLiteral("File not found");
        return out;
    }
    reader.readAnswer();
    for (int n = 1; n <= JobAnswers::kCount; ++n) answers.setAnswer(n, reader.readAnswer());
    answers.setAnswer(1, fileNamePart(answers.answer(1)));
    answers.setNote(1, reader.readAnswer());
    answers.setNote(2, reader.readAnswer());
    reader.close();
    out.ok = true;
    return out;
}

} // namespace lumetra
