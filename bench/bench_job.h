// Job files for the benchmarks, written from the shared job record: settings the method does
// not use carry the "-999" marker, whatever the benchmark set.
#pragma once

#include "specest/job_record.hpp"

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

namespace bench {

namespace record = specest::record;

class BenchJob {
  public:
    // A job on data.txt beside it: real data, every record, positive frequencies only.
    explicit BenchJob(record::Method method) : method_(method) {
        values_.fill(std::string(record::kNotApplicable));
        set(record::Field::title, "bench");
        set(record::Field::data_file, "data.txt");
        set(record::Field::header_lines, "0");
        set(record::Field::npts, "0");
        set(record::Field::data_type, "R");
        set(record::Field::time_format, "0");
        set(record::Field::method, std::string(info().form_name));
        set(record::Field::neg_freq, "N");
        set(record::Field::note1, "");
        set(record::Field::note2, "");
    }

    BenchJob& set(record::Field f, std::string value) {
        values_[static_cast<std::size_t>(f)] = std::move(value);
        return *this;
    }
    BenchJob& set(record::Field f, int value) { return set(f, std::to_string(value)); }

    void write(const std::filesystem::path& path) const {
        std::ofstream out(path, std::ios::binary);
        for (const record::FieldInfo& f : record::kFields) {
            const bool setting =
                f.field >= record::Field::npoles && f.field <= record::Field::window;
            const bool used = !setting || record::uses(info().settings, f.field);
            out << (used ? values_[static_cast<std::size_t>(f.field)]
                         : std::string(record::kNotApplicable))
                << "\r\n";
        }
    }

  private:
    const record::MethodInfo& info() const {
        return *record::method_info(static_cast<int>(method_));
    }

    record::Method method_;
    std::array<std::string, record::kFieldCount> values_;
};

} // namespace bench
