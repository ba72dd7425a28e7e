// The records of a batch on the engine's threads: each record whole on one thread, the kernels
// inside it serial, so a record's bits are those of the one-record call.
#pragma once

#include <functional>

namespace specest::batch {

// About the multiply-adds of one record of n samples: the order's recursions over the samples
// and the grid's transform (for a periodogram order is unused, -999).
double record_work(long long n, int order);

// Threads worth starting for `records` records of about `work_per_record` multiply-adds each.
int parts_for_records(int records, double work_per_record);

// Records a thread takes at once when `remaining` are left: neighbouring records, so each
// thread writes runs of rows; fewer as the end nears.
int records_per_chunk(int remaining, int parts);

// record(part, r) for every r in 0..records-1, on `parts` threads (part 0 is the caller's);
// records are handed out in chunks of neighbours as threads come free (ever smaller ones
// towards the end), so uneven records and threads slowed by other loads balance. Exceptions pass to
// the caller after every part has ended.
void for_each_record(int records, int parts, const std::function<void(int part, int r)>& record);

} // namespace specest::batch
