// Answers message boxes and file dialogs from a script and records what was asked.
#pragma once

#include "user_interaction.h"

#include <QList>
#include <QStringList>

namespace lumetra::test {

struct AskedMessage {
    MessageRequest request;
    MessageAnswer answer;
};

class ScriptedInteraction : public UserInteraction {
  public:
    QList<MessageAnswer> answers; // consumed in order; Ok (or Yes) when empty
    QStringList fileNames;        // consumed in order; "" = cancel; cancel when empty
    QList<AskedMessage> messages;
    QList<FileDialogRequest> dialogs;
    QStringList viewed;

    MessageAnswer message(const MessageRequest& request) override {
        MessageAnswer a = request.buttons == MessageButtons::YesNo ||
                                  request.buttons == MessageButtons::YesNoCancel
                              ? MessageAnswer::Yes
                              : MessageAnswer::Ok;
        if (!answers.isEmpty()) a = answers.takeFirst();
        messages.append({request, a});
        return a;
    }
    QString openFileName(const FileDialogRequest& request) override { return next(request); }
    QString saveFileName(const FileDialogRequest& request) override { return next(request); }
    void viewFile(const QString& path) override { viewed << path; }

    QStringList texts() const {
        QStringList out;
        for (const auto& m : messages) out << m.request.text;
        return out;
    }
    QStringList titles() const {
        QStringList out;
        for (const auto& m : messages) out << m.request.title;
        return out;
    }
    void reset() {
        answers.clear();
        fileNames.clear();
        messages.clear();
        dialogs.clear();
        viewed.clear();
    }

  private:
    QString next(const FileDialogRequest& request) {
        dialogs.append(request);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
};

} // namespace lumetra::test
