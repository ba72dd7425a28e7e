// Message boxes and file dialogs on screen.
#pragma once

#include "user_interaction.h"

class QWidget;

namespace lumetra {

class DialogInteraction : public UserInteraction {
  public:
    void setParent(QWidget* parent) { parent_ = parent; }
    MessageAnswer message(const MessageRequest& request) override;
    QString openFileName(const FileDialogRequest& request) override;
    QString saveFileName(const FileDialogRequest& request) override;
    void viewFile(const QString& path) override;
    void viewFileAtEnd(const QString& path) override;
    std::optional<quint32> pickColor(quint32 initialBgr) override;
    bool printSetup(QPrinter& printer) override;

    // "All Files (*.*)|*.*|Text (*.txt)|*.txt" as dialog name filters ("*.*" is any name here).
    static QStringList nameFilters(const QString& filter);

  private:
    QString runDialog(const FileDialogRequest& request, bool save);
    QWidget* parent_ = nullptr;
};

} // namespace lumetra
