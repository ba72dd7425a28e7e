// The job record: the 21 lines of a job file, the fourteen methods, which settings each uses,
// and the limits. Header-only and standard-library-only, so the engine, the front end, the
// command line, the tests and the benchmarks all read the same table.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace specest::record {

// The lines of a job file, in file order. line(f) is the 1-based line number; the job form's
// question number is line(f) - 1 (the title is question 0).
enum class Field : int {
    title = 0,    // line 1: free text (the form's file title)
    data_file,    // line 2: path of the data file
    header_lines, // line 3: header records to skip
    npts,         // line 4: data records to use (0: all)
    data_type,    // line 5: "R" real or "C" complex
    time_format,  // line 6: time format code
    method,       // line 7: method name
    neg_freq,     // line 8: "Y" for negative frequencies
    npoints,      // line 9: frequency points (rounded up to a power of two)
    npoles,       // line 10
    nzeros,       // line 11
    eps,          // line 12
    mode,         // line 13
    m_eqs,        // line 14
    l_pts,        // line 15
    m_lags,       // line 16
    nit,          // line 17
    per,          // line 18
    window,       // line 19
    note1,        // line 20
    note2,        // line 21
};
constexpr int kFieldCount = 21;
constexpr int kJobLines = kFieldCount;

constexpr int line(Field f) {
    return static_cast<int>(f) + 1;
}
constexpr int question(Field f) {
    return static_cast<int>(f);
}
constexpr Field field_at_line(int line_number) {
    return static_cast<Field>(line_number - 1);
}
constexpr Field field_at_question(int question_number) {
    return static_cast<Field>(question_number);
}

enum class Kind { text, integer, real };

struct FieldInfo {
    Field field;
    std::string_view key; // the name in the C, Python and JSON interfaces
    Kind kind;
};

inline constexpr std::array<FieldInfo, kFieldCount> kFields = {{
    {Field::title, "title", Kind::text},
    {Field::data_file, "data_file", Kind::text},
    {Field::header_lines, "header_lines", Kind::integer},
    {Field::npts, "npts", Kind::integer},
    {Field::data_type, "data_type", Kind::text},
    {Field::time_format, "time_format", Kind::integer},
    {Field::method, "method", Kind::text},
    {Field::neg_freq, "twosided", Kind::text},
    {Field::npoints, "nfft", Kind::integer},
    {Field::npoles, "order", Kind::integer},
    {Field::nzeros, "zeros", Kind::integer},
    {Field::eps, "eps", Kind::real},
    {Field::mode, "mode", Kind::integer},
    {Field::m_eqs, "m_eqs", Kind::integer},
    {Field::l_pts, "l_pts", Kind::integer},
    {Field::m_lags, "m_lags", Kind::integer},
    {Field::nit, "nit", Kind::integer},
    {Field::per, "per", Kind::real},
    {Field::window, "window", Kind::text},
    {Field::note1, "note1", Kind::text},
    {Field::note2, "note2", Kind::text},
}};

constexpr const FieldInfo& info(Field f) {
    return kFields[static_cast<std::size_t>(f)];
}

// The marker written for a setting the method does not use.
inline constexpr std::string_view kNotApplicable = "-999";
constexpr int kNotApplicableInt = -999;
constexpr float kNotApplicableReal = -999.0f;

// Limits of the engine's work area and grids.
constexpr int kMaxPoles = 210;
constexpr int kMaxZeros = 200;
constexpr int kMaxOrder = 411;
// Frequency points a job file may ask for (after rounding up to a power of two).
constexpr int kMaxFreqPoints = 1 << 24;
// Data records a job may use: a run reads no more records than it has frequency points.
constexpr int kMaxDataRecords = kMaxFreqPoints;
// Frequency points the job form accepts (its answer is a 16-bit integer).
constexpr int kMaxFormPoints = 16384;
// Largest MVSE grid (l_pts), bounded like the frequency grid.
constexpr int kMaxMvsePoints = kMaxFreqPoints;
// Most iterations Akaike may be asked for.
constexpr int kMaxIterations = 9999;
// Bound of L (l_pts) and the lag and equation counts, like the frequency grid's: no single run
// at the largest settings needs more than 2 GB.
constexpr int kMaxLength = kMaxFreqPoints;
// Entries of the peak table, in the engine's report and in the plot's list alike.
constexpr int kMaxPeaks = 99;

// A set of settings as a bit mask over Field.
using FieldSet = std::uint32_t;
constexpr FieldSet bit(Field f) {
    return FieldSet{1} << static_cast<int>(f);
}
constexpr bool uses(FieldSet set, Field f) {
    return (set & bit(f)) != 0;
}

// The methods, numbered as the engine dispatches them (1..14).
enum class Method : int {
    yule_walker = 1,
    burg,
    rmle,
    covariance,
    modified_covariance,
    mywe,
    lsmywe,
    akaike,
    mayne_firoozan,
    durbin,
    periodogram,
    blackman_tukey,
    mvse,
    lockheed,
};
constexpr int kMethodCount = 14;

struct MethodInfo {
    Method method;
    std::string_view key;         // first two characters: how a job file names the method
    std::string_view table_name;  // the engine's name table
    std::string_view engine_name; // the name the run report prints
    std::string_view form_name;   // the name the job form lists and writes
    std::string_view short_name;  // the scripting name (Python, command line)
    FieldSet settings;            // the order and model settings the method reads
    bool real_only;               // refuses complex data
    bool parametric;              // fits a model (a, b, sig2)
};

namespace detail {
constexpr FieldSet P = bit(Field::npoles), Q = bit(Field::nzeros), E = bit(Field::eps),
                   M = bit(Field::mode), Eq = bit(Field::m_eqs), L = bit(Field::l_pts),
                   Lag = bit(Field::m_lags), It = bit(Field::nit), Pc = bit(Field::per),
                   W = bit(Field::window);
} // namespace detail

inline constexpr std::array<MethodInfo, kMethodCount> kMethods = {{
    {Method::yule_walker, "Au", "Auto-correlation", "AUTO-CORRELATION", "Auto-Correlation",
     "yule-walker", detail::P, false, true},
    {Method::burg, "Bu", "Burg", "BURG", "Burg", "burg", detail::P, false, true},
    {Method::rmle, "RM", "RMLE", "RMLE", "RMLE", "rmle", detail::P, true, true},
    {Method::covariance, "Co", "Covariance", "COVARIANCE", "Covariance", "covariance",
     detail::P | detail::E, false, true},
    {Method::modified_covariance, "Mo", "Modified Covariance", "Modified COVARIANCE",
     "Modified Covariance", "modified-covariance", detail::P | detail::E, false, true},
    {Method::mywe, "MY", "MYWE", "MYWE", "MYWE", "mywe", detail::P | detail::Q | detail::E, false,
     true},
    {Method::lsmywe, "LS", "LSMYWE", "LSMYWE", "LSMYWE", "lsmywe",
     detail::P | detail::Q | detail::E | detail::Eq, false, true},
    {Method::akaike, "Ak", "Akaike", "AKAIKE", "Akaike", "akaike",
     detail::P | detail::Q | detail::E | detail::Eq | detail::It | detail::Pc, true, true},
    {Method::mayne_firoozan, "Ma", "MayneFir", "MAYNEFIR", "Mayne-Firoozan", "mayne-firoozan",
     detail::P | detail::Q | detail::E | detail::L, false, true},
    {Method::durbin, "Du", "Durbin", "DURBIN", "Durbin", "durbin", detail::Q | detail::L, false,
     true},
    {Method::periodogram, "Pe", "Periodogram", "PERIODOGRAM", "Periodogram", "periodogram",
     detail::W, false, false},
    {Method::blackman_tukey, "Bl", "Blackman-Tukey", "BLACKTUKEY", "Blackman-Tukey",
     "blackman-tukey", detail::M | detail::Lag, false, false},
    {Method::mvse, "MV", "MVSE", "MVSE", "MVSE", "mvse",
     detail::P | detail::E | detail::M | detail::L, false, false},
    {Method::lockheed, "Lo", "Lockheed (Auto./Burg) ", "Lockheed (Auto./Burg) ",
     "Lockheed (Autocorr/Burg)", "lockheed", detail::P | detail::Q, false, true},
}};

// The order in which the job form lists the methods.
inline constexpr std::array<Method, kMethodCount> kFormOrder = {
    Method::yule_walker,    Method::burg,
    Method::covariance,     Method::modified_covariance,
    Method::mywe,           Method::lsmywe,
    Method::mayne_firoozan, Method::durbin,
    Method::periodogram,    Method::blackman_tukey,
    Method::mvse,           Method::lockheed,
    Method::akaike,         Method::rmle};

// The entry of method 1..14, or nullptr.
constexpr const MethodInfo* method_info(int method) {
    return method >= 1 && method <= kMethodCount ? &kMethods[static_cast<std::size_t>(method - 1)]
                                                 : nullptr;
}

// Method number from a job file's method line: the first two characters, letter case
// included; 0 when nothing matches.
constexpr int match_method(std::string_view name) {
    if (name.size() < 2) return 0;
    int method = 0;
    for (const auto& m : kMethods)
        if (m.key == name.substr(0, 2)) method = static_cast<int>(m.method);
    return method;
}

constexpr bool uses_poles(int method) {
    const auto* m = method_info(method);
    return m && uses(m->settings, Field::npoles);
}
constexpr bool uses_zeros(int method) {
    const auto* m = method_info(method);
    return m && uses(m->settings, Field::nzeros);
}

// Smallest power of two >= n for 1 <= n <= kMaxFreqPoints, computed as the engine always has
// (a log10 estimate, then doubling) so the result is the same for every n.
inline int round_to_power_of_two(int n) {
    int e = static_cast<int>(std::log10(static_cast<double>(n)) / std::log10(2.0) - 1.0);
    if (e < -1) e = -1;
    do {
        ++e;
    } while ((1LL << e) < n);
    return 1 << e;
}

// Elements the result arrays need: the frequency grid, or MVSE's own grid when larger.
constexpr long long grid_capacity(int method, long long npoints, long long l_pts) {
    return method == static_cast<int>(Method::mvse) && l_pts > npoints ? l_pts : npoints;
}

} // namespace specest::record
