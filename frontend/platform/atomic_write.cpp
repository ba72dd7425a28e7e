#include "atomic_write.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace lumetra {
namespace {

// Qt leaves "Unknown error" for some failed writes; errno still holds the reason.
QString reason(const QSaveFile& file, int savedErrno) {
    const QString qt = file.errorString();
    if (savedErrno != 0 && (qt.isEmpty() || qt == QStringLiteral("Unknown error")))
        return QString::fromLocal8Bit(std::strerror(savedErrno));
    return qt;
}

} // namespace

bool writeFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
    QSaveFile file(path);
    // Unbuffered: a buffered write that fails in the final flush is still committed by Qt 6.4,
    // which would replace a good file with a truncated one and report success.
    errno = 0;
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        if (error) *error = reason(file, errno);
        return false;
    }
    qint64 done = 0;
    while (done < bytes.size()) {
        errno = 0;
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            const int saved = errno != 0 ? errno : EIO;
            if (error) *error = reason(file, saved);
            file.cancelWriting();
            return false;
        }
        done += n;
    }
    errno = 0;
    if (!file.commit()) {
        if (error) *error = reason(file, errno);
        return false;
    }
    return true;
}

} // namespace lumetra
