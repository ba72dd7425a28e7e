#include "job_reader.h"

#include "data_records.h"
#include "free_form.h"
#include "job_params.h"
#include "run_context.h"
#include "specest/job_record.hpp"
#include "stop.h"

#include <array>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <optional>

namespace specest {
namespace {

constexpr std::size_t kNameWidth = 21;
constexpr std::size_t kTitleWidth = 60;
constexpr std::size_t kNoteWidth = 120;

std::string rtrim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

std::string trim(std::string s) {
    s = rtrim(std::move(s));
    std::size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    return s.substr(i);
}

std::string fixed_width(std::string s, std::size_t w) {
    if (s.size() > w) s.resize(w);
    s.append(w - s.size(), ' ');
    return s;
}

struct RangeRow {
    const char* label;
    long long value;
};

// The block every parameter range error writes before its stop.
void range_error_block(std::initializer_list<RangeRow> rows, const std::string& rule,
                       bool blank_after_rule = false) {
    Report& r = run_report();
    std::string& why = run_context().explanation;
    why.clear();
    for (const auto& row : rows) why += std::string(row.label) + std::to_string(row.value) + "; ";
    why += rule;
    r.blanks(2);
    r.line(Line().x(2).rep('-', 70));
    r.line(Line().x(9).a("Input ERROR: parameter outside").a(" of range:"));
    for (const auto& row : rows) r.line(Line().x(22).a(row.label).i(row.value, 6));
    r.blank();
    r.line(Line().x(22).a(rule));
    if (blank_after_rule) r.blank();
    r.line(Line().x(2).rep('-', 70));
    r.blanks(2);
}

class JobLines {
  public:
    // `trace`: write the trace line before each line, as a run does.
    explicit JobLines(std::string path, bool trace = true)
        : path_(std::move(path)), trace_(trace) {}

    // A job file has 21 short lines; anything past a megabyte is not one.
    bool open() { return file_.open(path_, 1 << 20); }
    const std::string& error() const { return file_.error(); }

    // Trace line, then the raw text of line n.
    std::string next(int n) {
        if (trace_) run_report().line(Line().a(" \xC2\xAF Line ").i(n, 3));
        std::string s;
        if (!file_.next(s)) {
            if (!file_.error().empty()) fail(n, file_.error());
            fail(n, "the file ends here; a job file has " + std::to_string(kJobLines) + " lines");
        }
        if (s.find('\0') != std::string::npos)
            fail(n, "the line holds a NUL byte; a job file is UTF-8 text, not binary or UTF-16");
        return s;
    }

    // Whether nothing but blank lines follows the last line read.
    bool only_blank_lines_left() {
        std::string_view s;
        while (file_.next(s))
            if (s.find_first_not_of(" \t") != std::string_view::npos) return false;
        return file_.error().empty();
    }

    // First field of a value line; a line that starts with its comment has no value.
    std::optional<std::string> field(int n) {
        auto f = free_form::first_field(next(n));
        if (f && !f->empty() && f->front() == '!') return std::nullopt;
        return f;
    }
    std::string text_value(int n) {
        auto f = field(n);
        if (!f) fail(n, "no value on the line");
        return *f;
    }
    // The field of a numeric line, checked to read as a whole number (or a number).
    std::string number_text(int n, const char* what, bool whole, int* i = nullptr,
                            float* x = nullptr) {
        auto f = field(n);
        if (!f) fail(n, std::string("no value for ") + what);
        int iv = 0;
        float fv = 0;
        if (whole && !free_form::to_int(*f, iv))
            fail(n, std::string(what) + " must be a whole number, not " + quote_field(*f));
        if (!whole && !free_form::to_float(*f, fv))
            fail(n, std::string(what) + " must be a number, not " + quote_field(*f));
        if (i) *i = iv;
        if (x) *x = fv;
        return *f;
    }
    int int_value(int n, const char* what) {
        int v = 0;
        number_text(n, what, true, &v);
        return v;
    }
    float float_value(int n, const char* what) {
        float v = 0;
        number_text(n, what, false, nullptr, &v);
        return v;
    }

    [[noreturn]] void fail(int n, const std::string& problem) {
        Report& r = run_report();
        r.list(" ");
        r.list(" ERROR while reading Input file: ", path_);
        r.list("   line ", n, ": ", problem);
        r.list(" ");
        r.list(" ");
        stop("Job file " + path_ + ", line " + std::to_string(n) + ": " + problem);
    }

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    bool trace_ = true;
    TextFile file_;
};

// Y or N as the first letter ("Yes", "no" and the like); anything else, "maybe" say, is refused
// rather than taken as No.
void check_yes_no(JobLines& lines, int n, const std::string& answer) {
    const char c = answer.empty() ? ' ' : answer[0];
    if (c != 'Y' && c != 'y' && c != 'N' && c != 'n')
        lines.fail(n, "the negative-frequency answer must be Y or N (Yes or No), not " +
                          quote_field(answer));
}

// A relative data path is taken from the current directory, else from the job's directory.
std::string resolve_data_path(const std::string& data, const std::string& job_path) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path p(data);
    if (p.is_absolute() || fs::exists(p, ec)) return data;
    fs::path alt = fs::path(job_path).parent_path() / p;
    if (!alt.empty() && fs::exists(alt, ec)) return alt.string();
    return data;
}

void open_and_count_data(JobParams& jp, const std::string& job_path) {
    Report& r = run_report();
    TextFile& data = run_context().data;
    std::string name = trim(jp.dataFile);
    const std::string path = name.empty() ? name : resolve_data_path(name, job_path);
    if (name.empty() || !data.open(path)) {
        const std::string why = name.empty() ? "no data file is named" : data.error();
        r.list(" ");
        r.list(" ERROR while opening Data file: ", jp.dataFile);
        r.list(" ");
        r.list(" ");
        r.list("dataFile = ", name, "<---");
        r.list(" ", why);
        stop(" Error reading Data file for specest! " + path + ": " + why);
    }
}

std::string today_and_now() {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%y/%m/%d   %H:%M:%S", &tm);
    return buf;
}

void write_summary(const JobParams& jp) {
    Report& r = run_report();
    r.list(" ");
    r.line(Line().x(1).rep('-', 45).col(48).a(today_and_now()));
    r.line(Line().x(1).rep('-', 45).col(48).a_padded(jp.dataFile, static_cast<int>(kTitleWidth)));
    r.list(" Using following Estimator Parameters:");
    r.list("                 --------- ----------");
    r.blank();
    r.line(Line().x(9).a("Batch filename = ").a_padded(jp.fileIn, static_cast<int>(kTitleWidth)));
    const std::pair<const char*, int> ints[] = {{"npoles = ", jp.npoles}, {"nzeros = ", jp.nzeros},
                                                {"l_pts = ", jp.l_pts},   {"mode = ", jp.mode},
                                                {"m_eqs = ", jp.m_eqs},   {"m_lags = ", jp.m_lags},
                                                {"nit = ", jp.nit}};
    for (const auto& [label, v] : ints)
        if (v != kNotApplicable) r.line(Line().x(9).a(label).i(v, 6));
    if (jp.per != kNotApplicableF) r.line(Line().x(9).a("per = ").f(jp.per, 6, 3));
    if (jp.eps != kNotApplicableF) r.line(Line().x(9).a("eps = ").pe(jp.eps, 12, 3));
    if (rtrim(jp.window_name) != "-999")
        r.line(Line().x(9).a("window_name = ").a_padded(jp.window_name, kNameWidth));
    r.line(Line().x(9).a("method_name = ").a_padded(jp.method_name, kNameWidth));
    r.line(Line().x(9).a("negative freq.s = ").a_padded(jp.neg_freq == 1 ? "Yes" : "No", 6));
    r.line(Line().x(9).a("Note1 = ").a(jp.note1));
    r.line(Line().x(9).a("Note2 = ").a(jp.note2));
    r.blank();
    r.line(Line().rep('-', 72));
    r.blank();
}

void check_equations(const JobParams& jp, int npts) {
    Report& r = run_report();
    r.blank();
    r.line(Line().x(5).a("Note: Number of equations (M) to be solved ..."));
    r.line(Line().x(5).a("# of zeros + poles (q+p+1) < M <= # of data pts. (npts)"));
    r.line(Line().x(5).a("The math background seems to suggest M = npts"));
    r.blank();
    long long lo = static_cast<long long>(jp.npoles) + jp.nzeros + 2;
    r.line(Line().x(5).a("  Minimum/Maximum range for M_Eqs = ").i(lo, 6).a("  to").i(npts, 6));
    if (jp.m_eqs < lo || jp.m_eqs > npts) {
        range_error_block({{"nPoles+nZeros+1 = ", lo - 1},
                           {"M_Eqs = ", jp.m_eqs},
                           {"nPts = ", npts},
                           {"MaxOrder = ", jp.maxorder}},
                          "nPoles+nZeros+1 < M_Eqs <= nPts", true);
        stop(" M_Eqs parameter out of range");
    }
}

void check_durbin_length(const JobParams& jp, int npts) {
    Report& r = run_report();
    r.list(" Note: Number of frequency points (L) desired ...");
    r.line(Line().x(5).a(" # of zeros (q) << L << # of data pts. (npts)"));
    r.line(Line().x(5).a(" L = npts / 5 is a good start; see S. L. Marple Jr., Digital Spectral "
                         "Analysis with Applications,"));
    r.line(Line().x(5).a(" Prentice-Hall, Englewood Cliffs, NJ, 1987, on Durbin's method."));
    r.blank();
    r.partial(Line().x(5).a("Maximum value is").i(jp.maxorder, 4).a("  ... Enter L: ").str());
    if (jp.l_pts < jp.nzeros || jp.l_pts > jp.maxorder) {
        range_error_block({{"nZeros = ", jp.nzeros},
                           {"L_pts = ", jp.l_pts},
                           {"nPts = ", npts},
                           {"MaxOrder = ", jp.maxorder}},
                          "nZeros << L_pts << nPts  -and-," + std::string(22, ' ') +
                              "nZeros << L_pts << MaxOrder!");
        stop(" L_PTS parameter out of range");
    }
}

void check_lags(const JobParams& jp, int npts) {
    run_report().list("Note: Largest Lag (M) ... M < NPTS / 2 : ");
    // Bounded like the frequency grid, whatever the number of records.
    if (jp.m_lags > record::kMaxLength) {
        range_error_block({{"m_lags = ", jp.m_lags}},
                          "m_lags <= " + std::to_string(record::kMaxLength));
        stop(" M_Lags parameter out of range");
    }
    if (2LL * jp.m_lags + 2 > npts || jp.m_lags < 1) {
        range_error_block({{"m_lags = ", jp.m_lags}, {"nPts = ", npts}}, "m_lags < nPts/2!");
        stop(" M_Lags parameter out of range");
    }
    // Like MVSE: mode 0 or 1 picks the correlation estimate; anything else is no estimate.
    if (jp.mode != 0 && jp.mode != 1) {
        range_error_block({{"mode = ", jp.mode}}, "mode = 0 or 1");
        stop(" MODE parameter out of range");
    }
}

// MVSE's grid is the result array: bounded like the frequency grid, checked before anything
// is allocated for it.
void check_mvse_grid(const JobParams& jp) {
    if (jp.l_pts > record::kMaxMvsePoints) {
        range_error_block({{"L_pts = ", jp.l_pts}},
                          "2 <= L_pts <= " + std::to_string(record::kMaxMvsePoints));
        stop(" L_PTS parameter out of range");
    }
}

} // namespace

void split(std::string& s) {
    for (char& c : s)
        if (c == '\t') c = ' ';
    auto bang = s.rfind('!');
    if (bang != std::string::npos)
        for (std::size_t i = bang; i < s.size(); ++i) s[i] = ' ';
}

int match_method(std::string_view name) {
    return record::match_method(name);
}

const char* method_display_name(int method) {
    const auto* m = record::method_info(method);
    return m ? m->engine_name.data() : "";
}

int round_to_power_of_two(int n) {
    return record::round_to_power_of_two(n);
}

void spec_info(std::string_view fileNam, int /*k*/, int& npts, int& npoints) {
    JobParams& jp = job();
    Report& r = run_report();
    const std::string path(fileNam);
    JobLines lines(path);
    if (!lines.open()) {
        r.list(" ");
        r.list(" ERROR while opening Input file: ", path);
        r.list(" ");
        r.list(" ", lines.error());
        r.list(" ");
        stop(" Error reading Input file for specest! " + path + ": " + lines.error());
    }

    // Lines 1 and 2 are read whole: a long data path must not be cut.
    jp.fileIn = lines.next(1);
    split(jp.fileIn);
    jp.dataFile = lines.next(2);
    split(jp.dataFile);
    r.list("dataFile = ", rtrim(jp.dataFile), "<---");
    open_and_count_data(jp, path);

    jp.irec_skip = lines.int_value(3, "the number of header lines");
    if (jp.irec_skip < 0) lines.fail(3, "the number of header lines must not be negative");
    npts = lines.int_value(4, "the number of data lines");
    std::string type = lines.text_value(5);
    jp.itype = (type[0] == 'R' || type[0] == 'r') ? 1 : 2;
    // A positive npts caps the records the run can use; 0 or less needs the count of them all.
    jp.ipts = count_records(run_context().data, jp.irec_skip,
                            npts > 0 ? npts : std::numeric_limits<int>::max(),
                            run_context().record_times);

    jp.ixtype = lines.int_value(6, "the time format code");
    jp.method_name = lines.text_value(7);
    if (jp.method_name.size() > kNameWidth) jp.method_name.resize(kNameWidth);
    std::string neg = lines.text_value(8);
    check_yes_no(lines, 8, neg);
    jp.neg_freq = (neg[0] == 'Y' || neg[0] == 'y') ? 1 : 0;

    npoints = lines.int_value(9, "the number of frequency points");
    check_npoints(npoints);
    choose_npts(jp, npts);

    jp.maxpoles = kMaxPoles;
    jp.maxzeros = kMaxZeros;
    jp.maxorder = npoints < kMaxOrder ? npoints : kMaxOrder;

    jp.npoles = lines.int_value(10, "the number of poles");
    jp.nzeros = lines.int_value(11, "the number of zeros");
    jp.eps = lines.float_value(12, "eps");
    jp.mode = lines.int_value(13, "mode");
    jp.m_eqs = lines.int_value(14, "the number of equations");
    jp.l_pts = lines.int_value(15, "L");
    jp.m_lags = lines.int_value(16, "the largest lag");
    jp.nit = lines.int_value(17, "the number of iterations");
    jp.per = lines.float_value(18, "the stopping percentage");
    jp.window_name = lines.text_value(19);
    if (jp.window_name.size() > kNameWidth) jp.window_name.resize(kNameWidth);
    jp.note1 = fixed_width(lines.next(20), kNoteWidth);
    jp.note2 = fixed_width(lines.next(21), kNoteWidth);
    // The same rule as read_job: a job is 21 lines, and what follows may only be blank.
    if (!lines.only_blank_lines_left())
        lines.fail(kJobLines + 1, "the file goes on past line " + std::to_string(kJobLines) +
                                      "; a job file has " + std::to_string(kJobLines) + " lines");

    finish_job(jp, npts);
}

bool read_job(std::string_view path, std::array<std::string, kJobLines>& values,
              std::string& message, bool need_method) {
    using record::Field;
    try {
        JobLines lines(std::string(path), false);
        if (!lines.open()) {
            message = "Job file " + std::string(path) + ": " + lines.error();
            return false;
        }
        for (int n = 1; n <= kJobLines; ++n) {
            std::string& v = values[static_cast<std::size_t>(n - 1)];
            const record::FieldInfo& f = record::info(record::field_at_line(n));
            const bool free_text = f.field == Field::title || f.field == Field::data_file ||
                                   f.field == Field::note1 || f.field == Field::note2;
            if (free_text) {
                v = lines.next(n);
                split(v);
                v = trim(v);
            } else if (f.kind == record::Kind::text) {
                v = lines.text_value(n);
                if (f.field == Field::neg_freq) check_yes_no(lines, n, v);
            } else {
                v = lines.number_text(n, f.key.data(), f.kind == record::Kind::integer);
            }
        }
        const int method_line = record::line(Field::method);
        if (need_method && match_method(values[static_cast<std::size_t>(method_line - 1)]) == 0)
            lines.fail(method_line,
                       "the method " +
                           quote_field(values[static_cast<std::size_t>(method_line - 1)]) +
                           " is none of the fourteen (its first two letters name it, as in "
                           "\"Burg\" or \"Periodogram\")");
        if (!lines.only_blank_lines_left())
            lines.fail(kJobLines + 1, "the file goes on past line " + std::to_string(kJobLines) +
                                          "; a job file has " + std::to_string(kJobLines) +
                                          " lines");
        return true;
    } catch (const RunStopped& s) {
        message = s.text();
        return false;
    }
}

void check_npoints(int& npoints) {
    if (npoints < 1 || npoints > kMaxFreqPoints) {
        range_error_block({{"nPoints = ", npoints}},
                          "0 < nPoints <= " + std::to_string(kMaxFreqPoints));
        stop(" nPoints parameter out of range");
    }
    npoints = round_to_power_of_two(npoints);
    run_report().list(" nPoints = ", npoints);
}

void choose_npts(const JobParams& jp, int& npts) {
    if (npts < 0) {
        range_error_block({{"nPts = ", npts}}, "nPts >= 0  (0 reads every record)");
        stop(" nPts parameter out of range");
    }
    if (npts == 0) npts = jp.ipts;
    if (jp.ipts < npts) npts = jp.ipts;
}

void finish_job(JobParams& jp, int npts) {
    Report& r = run_report();
    jp.method = match_method(jp.method_name);
    if (jp.method != 0) jp.method_name = method_display_name(jp.method);

    r.list(" ");
    if (jp.method != 11 && jp.method != 12)
        r.line(Line()
                   .x(5)
                   .a("Note: Maximum # of POLES & ZEROS at this ")
                   .a("compile was (")
                   .i(jp.maxpoles, 6)
                   .i(jp.maxzeros, 6)
                   .a(" )."));
    if (jp.method < 6) jp.nzeros = 0;
    if (jp.method == 7 || jp.method == 8) check_equations(jp, npts);
    if (jp.method == 10) {
        jp.npoles = 0;
        check_durbin_length(jp, npts);
    }
    if (jp.method == 12) check_lags(jp, npts);
    if (jp.method == 13) check_mvse_grid(jp);
    // The report prints NIT in four columns, and each iteration costs a pass over the data:
    // a count past 9999 is a typing error, not a request to run for hours.
    if (jp.method == 8 && jp.nit > record::kMaxIterations) {
        range_error_block({{"nit = ", jp.nit}}, "nit <= " + std::to_string(record::kMaxIterations));
        stop(" NIT parameter out of range");
    }

    write_summary(jp);
}

} // namespace specest
