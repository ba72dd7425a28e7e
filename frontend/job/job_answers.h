// The job as the form holds it: eighteen answers and two notes.
#pragma once

#include <specest/job_record.hpp>

#include <QString>
#include <array>

namespace lumetra {

class JobAnswers {
  public:
    static constexpr int kCount = specest::record::question(specest::record::Field::window);

    // Answers are numbered 1..18 like the questions; notes 1 and 2.
    const QString& answer(int number) const { return answers_.at(number - 1); }
    void setAnswer(int number, const QString& value) { answers_.at(number - 1) = value; }
    const QString& note(int which) const { return notes_.at(which - 1); }
    void setNote(int which, const QString& value) { notes_.at(which - 1) = value; }

    void clear() {
        answers_.fill(QString());
        notes_.fill(QString());
    }
    bool operator==(const JobAnswers&) const = default;

  private:
    std::array<QString, kCount> answers_;
    std::array<QString, 2> notes_;
};

} // namespace lumetra
