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

// The data file a job's line 2 names, as an absolute path, under the engine's lookup rule: an
// absolute path as it stands, a relative one in `currentDir` first, then in `jobDir`. A
// reference found nowhere that way is looked for by its name beside the job (jobs written
// elsewhere, with another machine's folders); when that fails too, beside the job it is.
QString resolveDataReference(const QString& reference, const QString& jobDir,
                             const QString& currentDir);

// What line 2 of a job saved in `jobDir` holds for the data file `dataPath`: its bare name
// when the lookup rule finds this same file from there (and no other one in `currentDir`),
// otherwise its absolute path.
QString dataReferenceFor(const QString& dataPath, const QString& jobDir, const QString& currentDir);

// The child directory of base whose name matches without regard to case, or base/name.
QString childDirNoCase(const QString& base, const QString& name);

} // namespace lumetra
