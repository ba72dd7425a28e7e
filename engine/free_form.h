// Free-form (list-directed) fields: separated by blanks, tabs or a comma; a complex value is
// one field "(re,im)"; a text may be quoted with apostrophes or double quotes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace specest::free_form {

// The fields of a line, in order, up to `max_fields` (quotes removed from quoted texts).
std::vector<std::string> fields(std::string_view line, std::size_t max_fields = 64);
std::optional<std::string> first_field(std::string_view line);
// The same fields as views into the line, without allocating; false (fall back to fields())
// when a field is quoted. `count` gets the number of fields found, at most `max_fields`.
bool field_views(std::string_view line, std::string_view* out, std::size_t max_fields,
                 std::size_t& count);

// Numbers as a list-directed read accepts them: optional sign, Fortran 'D' exponents.
// Single-precision results out of range are refused.
bool to_int(std::string_view s, int& v);
bool to_float(std::string_view s, float& v);
// The same grammar read in double precision (time values keep their step this way).
bool to_double(std::string_view s, double& v);
// A time value in both precisions from one parse where that gives to_float's bits; false when
// to_float refuses the text (d then holds f, or to_double's value when it reads one).
bool to_float_and_double(std::string_view s, float& f, double& d);
// "(re,im)" with optional blanks inside.
bool to_complex(std::string_view s, float& re, float& im);

} // namespace specest::free_form
