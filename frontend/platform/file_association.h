// The association of run reports (".out") with a text viewer, kept in a per-user class store
// with the class registry's key layout.
#pragma once

#include <QString>
#include <QStringList>

namespace lumetra {

// The class root travels as the decimal text of its signed 32-bit handle.
inline const QString kClassesRoot = QStringLiteral("-2147483648");

// Status codes of the store's writes, as the registry numbers them.
inline constexpr int kStatusOk = 0;
inline constexpr int kStatusAccessDenied = 5;
inline constexpr int kStatusInvalidHandle = 6;

// What the first start registers for run reports.
inline const QString kOutExtension = QStringLiteral("Out");
inline const QString kOutClass = QStringLiteral("Lumetra.RunReport");
// The viewer that opens them: the program itself, as "Lumetra --view FILE".
inline const QString kRunReportViewer = QStringLiteral("Lumetra");
inline const QString kRunReportViewerArgument = QStringLiteral("--view");
inline const QString kOutDescription = QStringLiteral("FC Output");

// Keys are groups of an INI file ("\" separated paths, matched without regard to case); the
// default value of a key is stored under the name "@". Only the class root is kept here.
class ClassStore {
  public:
    // Default file: <user config dir>/Tavrenco/classes.ini, or the one set for tests.
    ClassStore();
    explicit ClassStore(const QString& file);

    static QString defaultFile();
    static void setDefaultFile(const QString& file); // empty: back to the desktop location

    QString file() const { return file_; }

    // The value, or defaultValue when the key or value is missing or longer than 254 bytes.
    // As with the fixed 255-blank buffer, leading blanks of the value are dropped.
    QString readRegString(const QString& root, const QString& subkey, const QString& valueName,
                          const QString& defaultValue) const;
    // Sets the default value of subkey\valueName (of subkey itself when valueName is empty),
    // creating the keys. 0 on success; a failed write leaves the store as it was.
    int writeRegString(const QString& root, const QString& subkey, const QString& valueName,
                       const QString& data);

  private:
    QString file_;
};

// The class name registered for the extension (given without the dot), or an empty text.
QString getAssociation(const ClassStore& store, const QString& extension);

// Registers extension -> class -> description, optional icon, and the open command
// "\"<directory>/<command>\" <arguments> %1" (command: the class name when empty). directory
// gets a trailing '/' when it has none.
void createAssociation(ClassStore& store, const QString& extension, const QString& directory,
                       const QString& program, const QString& description, const QString& iconFile,
                       const QString& command = QString(), const QStringList& arguments = {});
// The open command createAssociation writes.
QString associationCommand(const QString& directory, const QString& program,
                           const QStringList& arguments = {});

// First-start registration of run reports: only when no class is registered for "Out" yet
// (an existing association, to any class, is left alone). True when it registered one now.
bool registerRunReportAssociation(ClassStore& store, const QString& viewerDirectory);

} // namespace lumetra
