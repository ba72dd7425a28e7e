// Per-user settings store with the registry's key paths, value names and types.
#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <stdexcept>

namespace lumetra {

// Value types as the registry numbers them.
enum RegistryType { kRegString = 1, kRegBinary = 3, kRegDword = 4 };
inline constexpr quint32 kCurrentUser = 0x80000001u;

inline const QString kVendorKey = QStringLiteral("Software\\Tavrenco");
inline const QString kProgramKey = QStringLiteral("Software\\Tavrenco\\Lumetra");

class RegistryError : public std::runtime_error {
  public:
    RegistryError(int number, const QString& description)
        : std::runtime_error(description.toStdString()), number_(number) {}
    int number() const { return number_; }

  private:
    int number_;
};

// Keys live as groups of an INI file in the user's configuration directory; only the current
// user's root is kept.
class RegistryStore {
  public:
    // Default file: <user config dir>/Tavrenco/registry.ini, or the one set for tests.
    RegistryStore();
    explicit RegistryStore(const QString& file);

    static QString defaultFile();
    static void setDefaultFile(const QString& file); // empty: back to the desktop location
    // Where earlier versions kept the keys: the desktop's config folder, "Tavrenco".
    static QString legacyFile();
    // Makes `file` the default (beside the program's other settings). When it does not exist
    // yet and `oldFile` does, the old keys are copied there once; true when that happened.
    static bool adoptFile(const QString& file, const QString& oldFile = legacyFile());

    QString file() const { return file_; }

    bool keyExists(quint32 root, const QString& subkey) const;
    // True when the key existed already; throws RegistryError 1001 when it cannot be created.
    bool createKey(quint32 root, const QString& subkey);
    // Text for type 1, bytes for type 3, a 32-bit integer for type 4; the default when
    // missing or unreadable; throws RegistryError 1001 for other types.
    QVariant getValue(quint32 root, const QString& subkey, const QString& name, int type,
                      const QVariant& defaultValue = QVariant()) const;
    // Does nothing when the key does not exist or the type is not supported.
    void setValue(quint32 root, const QString& subkey, const QString& name, int type,
                  const QVariant& value);

  private:
    QString file_;
};

} // namespace lumetra
