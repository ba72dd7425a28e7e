// A read-only window on a text file, with a way to open it in the desktop's editor.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace lumetra {

class TextViewer : public QDialog {
    Q_OBJECT
  public:
    explicit TextViewer(const QString& path, QWidget* parent = nullptr);
    QString path() const { return path_; }
    QString text() const;
    // Puts the cursor on the last line and scrolls there.
    void scrollToEnd();
    QPlainTextEdit* editor() const { return edit_; }
    // Why the file could not be shown (missing, a folder, unreadable); empty when it was.
    QString loadError() const { return loadError_; }

  private:
    QString path_;
    QString loadError_;
    QPlainTextEdit* edit_ = nullptr;
};

} // namespace lumetra
