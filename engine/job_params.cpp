#include "job_params.h"

namespace specest {

JobParams& job() {
    static JobParams record;
    return record;
}

} // namespace specest
