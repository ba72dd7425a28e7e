// Answers message boxes and file dialogs from a script and records what was asked.
#pragma once

#include "user_interaction.h"

#include <QList>
#include <QStringList>
#include <functional>
#include <optional>

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
    QStringList viewedAtEnd;              // the ones opened scrolled to the end (also in viewed)
    QList<std::optional<quint32>> colors; // consumed in order; cancel when empty
    QList<quint32> colorRequests;         // the initial colour of each colour dialog
    // Answers the print dialog: sets the printer up and accepts; cancel when not set.
    std::function<bool(QPrinter&)> onPrint;
    int printDialogs = 0;

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
    void viewFileAtEnd(const QString& path) override {
        viewed << path;
        viewedAtEnd << path;
    }
    std::optional<quint32> pickColor(quint32 initialBgr) override {
        colorRequests << initialBgr;
        return colors.isEmpty() ? std::nullopt : colors.takeFirst();
    }
    bool printSetup(QPrinter& printer) override {
        ++printDialogs;
        return onPrint ? onPrint(printer) : false;
    }

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
        viewedAtEnd.clear();
        colors.clear();
        colorRequests.clear();
        onPrint = nullptr;
        printDialogs = 0;
    }

  private:
    QString next(const FileDialogRequest& request) {
        dialogs.append(request);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
};

} // namespace lumetra::test
