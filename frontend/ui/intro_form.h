// frmIntro: the first window of a first start, with three ways into the program.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace lumetra {

enum class IntroChoice {
    RunDemo,    // show the main form, then open the demo page
    CreateData, // show the main form with the focus in the data file box
    Exit        // end the program (also when the window is closed)
};

inline const QString kIntroCaption =
    QStringLiteral("Introduction to Spectral Estimation Algorithms");
// As shown: the form's "&&" is one "&" on screen.
inline const QString kIntroTitle = QStringLiteral("Lumetra\u2122  Intro & Demos");
inline const QString kIntroSentence1 = QStringLiteral(
    "Lumetra determines a spectral estimation for a given data set, and there are many "
    "spectral estimators to choose from; a textbook on modern spectral estimation explains "
    "each of them.");
inline const QString kIntroSentence2 =
    QStringLiteral("Test and understand that zero padding does -not- improve resolution but "
                   "allows for better evaluation of the spectral estimation.");

class IntroForm : public QDialog {
    Q_OBJECT
  public:
    explicit IntroForm(QWidget* parent = nullptr);

    IntroChoice choice() const { return choice_; }
    // Shows the form modally and returns the user's choice.
    IntroChoice run();

    QPushButton* runButton() const { return cmdRunIntro_; }

  public slots:
    void reject() override; // close box or Escape: Exit

  private:
    void choose(IntroChoice c);

    IntroChoice choice_ = IntroChoice::Exit;
    QPushButton* cmdRunIntro_ = nullptr;
    QPushButton* cmdCreateIntro_ = nullptr;
    QPushButton* cmdExitIntro_ = nullptr;
};

} // namespace lumetra
