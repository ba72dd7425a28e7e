// The program's own help window: the manual (Markdown) rendered with its images, a search box
// and a way to open it in the desktop's browser.
#pragma once

#include <QUrl>
#include <QWidget>
#include <functional>

class QLabel;
class QLineEdit;
class QTextBrowser;

namespace lumetra {

inline const QString kManualFileName = QStringLiteral("manual.md");

class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // How URLs leave the program (the desktop's browser, mail program, ...).
    std::function<bool(const QUrl&)> openUrl;

    // Shows the Markdown file; images and links resolve against its folder. False (and the
    // window left as it was) when the file cannot be read.
    bool openManual(const QString& path);
    QString manualPath() const { return path_; }
    QTextBrowser* browser() const { return browser_; }

    // Finds the text from the cursor on, wrapping once; false when it is nowhere.
    bool findText(const QString& text, bool backward = false);
    // The rendered manual as an HTML file whose images point at the manual's folder.
    QString writeHtmlCopy(const QString& target) const;
    // Opens the manual in the desktop's browser (as HTML, or the Markdown file itself).
    bool openInBrowser();

  private:
    QString path_;
    QTextBrowser* browser_ = nullptr;
    QLineEdit* txtFind_ = nullptr;
    QLabel* lblFind_ = nullptr;
};

} // namespace lumetra
