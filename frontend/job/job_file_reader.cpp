#include "job_file_reader.h"

#include "job_line_reader.h"
#include "method_table.h"
#include "path_rules.h"

namespace lumetra {

void answersFromJobValues(const QStringList& values, JobAnswers& answers, QString* dataReference) {
    const auto value = [&](int line) { return cleanAnswer(values.value(line - 1)); };
    for (int n = 1; n <= JobAnswers::kCount; ++n) answers.setAnswer(n, value(n + 1));
    // The reader keeps the data line whole (a path may hold blanks) and a method's first word.
    const QString data = cleanAnswer(values.value(1));
    if (dataReference) *dataReference = data;
    answers.setAnswer(1, fileNamePart(data));
    const int method = record::question(record::Field::method);
    const QByteArray name = answers.answer(method).toLatin1();
    if (const auto* m = record::method_info(
            record::match_method(std::string_view(name.constData(), name.size()))))
        answers.setAnswer(method,
                          QString::fromLatin1(m->form_name.data(), qsizetype(m->form_name.size())));
    answers.setNote(1, value(20));
    answers.setNote(2, value(21));
}

} // namespace lumetra
