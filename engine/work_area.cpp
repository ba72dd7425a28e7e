#include "work_area.h"

namespace specest::wa {

void WorkArea64::size_for(int n) {
    // Arrays sized for another order are dropped; the next access makes them afresh.
    if (n == order_) return;
    *this = WorkArea64();
    order_ = n;
}

} // namespace specest::wa
