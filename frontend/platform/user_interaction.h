// Every message box, file dialog and file viewer goes through here, so tests can answer.
#pragma once

#include <QString>
#include <optional>

class QPrinter;

namespace lumetra {

enum class MessageIcon { None, Information, Question, Warning, Critical };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
};

struct FileDialogRequest {
    QString title;
    // Filter list as "Description|patterns|Description|patterns", patterns joined by ';'.
    QString filter;
    int selectedFilter = 1; // 1-based
    QString initialDir;
    QString suggestedName;
};

// Title of messages that name no routine.
inline const QString kDefaultTitle = QStringLiteral("Lumetra");

class UserInteraction {
  public:
    virtual ~UserInteraction() = default;
    virtual MessageAnswer message(const MessageRequest& request) = 0;
    // Empty result: the dialog was cancelled.
    virtual QString openFileName(const FileDialogRequest& request) = 0;
    virtual QString saveFileName(const FileDialogRequest& request) = 0;
    // Shows a text file read-only.
    virtual void viewFile(const QString& path) = 0;
    // The same, scrolled to the end (where a run report says why a run failed).
    virtual void viewFileAtEnd(const QString& path) { viewFile(path); }
    // Colour dialog opened on a colour in the 0x00BBGGRR form; empty when cancelled.
    virtual std::optional<quint32> pickColor(quint32 initialBgr) {
        (void)initialBgr;
        return std::nullopt;
    }
    // Print dialog that sets up `printer`; false when cancelled.
    virtual bool printSetup(QPrinter& printer) {
        (void)printer;
        return false;
    }
};

} // namespace lumetra
