// Path rules of the front end: name/directory pairs, suggested names, run report copies.
#pragma once

#include <QString>

namespace lumetra {

// Part after the last separator ('/' or, in job files from elsewhere, '\'), or the path itself.
QString fileNamePart(const QString& path);

// Returns the name; sets dir to the part before the last separator, or to currentDir when the
// path has none. The directory never keeps a trailing separator (except the root itself).
QString splitPath(const QString& path, const QString& currentDir, QString* dir);

// dir + "/" + name without doubling the separator.
QString joinPath(const QString& dir, const QString& name);

// Save As suggestion: the job name up to its first "." (the whole name when it has none or
// begins with one), without '*' and '?'; "job" when nothing is left.
QString suggestedSaveAsName(const QString& jobName);

// Where the run report copy of a job goes: "a.b.c" in dir gives dir/a_b.out, "name" without a
// dot gives currentDir/name.out; only the file name is lower-cased.
QString runReportCopyPath(const QString& jobName, const QString& jobDir, const QString& currentDir);

// The child directory of base whose name matches without regard to case, or base/name.
QString childDirNoCase(const QString& base, const QString& name);

} // namespace lumetra
