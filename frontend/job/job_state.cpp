#include "job_state.h"

#include "path_rules.h"

namespace lumetra {

QString JobState::jobPath() const {
    return joinPath(jobDir, jobName);
}
QString JobState::dataFilePath() const {
    return joinPath(dataFileDir, dataFileName);
}

} // namespace lumetra
