#include "file_error_policy.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace lumetra {
namespace {

FileProbeFunction& probeOverride() {
    static FileProbeFunction f;
    return f;
}

} // namespace

FileProbeResult probeFile(const QString& path) {
    if (probeOverride()) return probeOverride()(path);
    FileProbeResult r;
    if (path.isEmpty()) return r;
    struct stat st {};
    const QByteArray native = path.toLocal8Bit();
    if (::stat(native.constData(), &st) == 0) {
        r.kind = S_ISREG(st.st_mode) ? FileProbe::Exists : FileProbe::Missing;
        return r;
    }
    const int err = errno;
    r.errorNumber = err;
    r.description = QString::fromLocal8Bit(std::strerror(err));
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        r.kind = FileProbe::Missing;
        break;
#ifdef ENOMEDIUM
    case ENOMEDIUM:
        r.kind = FileProbe::DriveNotReady;
        break;
#endif
    case ENODEV:
    case ENXIO:
        r.kind = FileProbe::DeviceUnavailable;
        break;
    default:
        r.kind = FileProbe::OtherError;
        break;
    }
    return r;
}

void setFileProbeForTesting(FileProbeFunction probe) {
    probeOverride() = std::move(probe);
}

QString signedNumberText(int number) {
    return (number < 0 ? QString() : QStringLiteral(" ")) + QString::number(number);
}

QString unexpectedErrorText(int number, const QString& description, const QString& path) {
    QString text = QStringLiteral("Unexpected error #") + signedNumberText(number) +
                   QStringLiteral(" occured: ") + description;
    if (!path.isEmpty()) text += QStringLiteral("\nFile: ") + path;
    return text;
}

void showUnexpectedError(UserInteraction& ui, const QString& title, int number,
                         const QString& description, const QString& path) {
    ui.message({unexpectedErrorText(number, description, path), title, MessageIcon::Critical,
                MessageButtons::Ok});
}

ExistsAnswer fileExists(const QString& path, UserInteraction& ui, const QString& title) {
    for (;;) {
        const FileProbeResult r = probeFile(path);
        switch (r.kind) {
        case FileProbe::Exists:
            return ExistsAnswer::Yes;
        case FileProbe::Missing:
            return ExistsAnswer::No;
        case FileProbe::DriveNotReady:
            if (ui.message({kDriveNotReadyText, title, MessageIcon::Warning,
                            MessageButtons::OkCancel}) != MessageAnswer::Ok)
                return ExistsAnswer::No;
            break;
        case FileProbe::DeviceUnavailable:
            // Retrying cannot help while nothing changes; Cancel leaves the loop.
            if (ui.message({kDeviceUnavailableText + path, title, MessageIcon::Warning,
                            MessageButtons::OkCancel}) != MessageAnswer::Ok)
                return ExistsAnswer::Abandoned;
            break;
        case FileProbe::OtherError:
            showUnexpectedError(ui, title, r.errorNumber, r.description, path);
            return ExistsAnswer::Abandoned;
        }
    }
}

} // namespace lumetra
