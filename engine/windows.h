// Data windows for the periodogram, chosen by name.
#pragma once

#include "views.h"

#include <string_view>

namespace specest {

// Fills window(1..npoints). Returns false (after writing the window-name error to the report)
// when the name is not recognised; the array is then left as it was.
bool window_weights(Vec1<float> window, int npoints, std::string_view window_name);

} // namespace specest
