// frmAbout: the About box of the Help menu.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace lumetra {

inline const QString kAboutCaption = QStringLiteral("About ...");

// The program's version, from the build's project version.
QString programVersion();

class AboutForm : public QDialog {
    Q_OBJECT
  public:
    // The title is set once, here; OK hides the box, so one instance shows the same next time.
    explicit AboutForm(const QString& version, QWidget* parent = nullptr);

    static QString titleText(const QString& version);

    QPushButton* okButton() const { return cmdOkay_; }

  private:
    QLabel* txtTitle_ = nullptr;
    QPushButton* cmdOkay_ = nullptr;
};

} // namespace lumetra
