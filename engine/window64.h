// Data windows in double precision as scipy.signal.get_window(name, n, fftbins) makes them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace specest::window64 {

enum class Kind { boxcar, hann, hamming, blackman, bartlett, triang };

// The window a name stands for: scipy's names and aliases ("boxcar", "box", "ones", "rect",
// "rectangular"; "hann", "han", "hanning"; "hamming", "hamm", "ham"; "blackman", "black",
// "blk"; "bartlett", "bart", "brt"; "triang", "triangle", "tri"), case-sensitive as in scipy.
std::optional<Kind> parse_name(std::string_view name);

// The accepted names, comma-separated, for messages.
const std::string& accepted_names();

// n weights. fftbins = true gives the periodic window (the symmetric one of n + 1 points
// without its last point), false the symmetric one. n = 1 gives {1}, n = 0 nothing.
std::vector<double> make(Kind kind, std::size_t n, bool fftbins = true);

struct Result {
    std::optional<std::vector<double>> weights; // empty when the name is not accepted
    std::string error;                          // then says so and lists the accepted names
};

Result get_window(std::string_view name, std::size_t n, bool fftbins = true);

} // namespace specest::window64
