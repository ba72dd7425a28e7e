// The "Parameter Selection" page: eighteen questions, two notes and the Calculate button.
#pragma once

#include "job_session.h"

#include <QWidget>
#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace lumetra {

class JobForm : public QWidget {
    Q_OBJECT
  public:
    explicit JobForm(JobSession& session, QWidget* parent = nullptr);

    void getAnswers(); // model to widgets (answer 1 already split), then showMethodQuestions
    void putAnswers(); // widgets to model
    void showMethodQuestions();
    void showQuestion(const QString& controlName, int number, int& top);

    QWidget* control(const QString& name) const;
    QLabel* question(int number) const { return questions_.at(number - 1); }
    QPushButton* submitButton() const { return cmdSubmit_; }

    // Layout lengths are in twips of the 640 x 480 design; Qt scales for the device itself.
    static int scaleToScreenY(int twips) { return twips; }
    static int px(int twips);
    static constexpr int kRowPitch = 290;

  signals:
    void submitClicked();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void layoutOnLoad();
    void placeAt(QWidget* w, int top);
    void markChanged();
    void browseDataFile();

    JobSession& session_;
    std::array<QLabel*, 18> questions_{};
    QLineEdit* timeData_ = nullptr;
    QPushButton* cmdFileData_ = nullptr;
    QLineEdit* nSkip_ = nullptr;
    QLineEdit* totalLines_ = nullptr;
    QGroupBox* fraDataType_ = nullptr;
    QRadioButton* optReal_ = nullptr;
    QRadioButton* optComplex_ = nullptr;
    QComboBox* methods_ = nullptr;
    QGroupBox* fraNegFreq_ = nullptr;
    QRadioButton* optYes_ = nullptr;
    QRadioButton* optNo_ = nullptr;
    std::array<QLineEdit*, 11> params_{}; // answers 8..18: nPoints .. windowName
    QLabel* lblKeepNotes_ = nullptr;
    QLineEdit* note1_ = nullptr;
    QLineEdit* note2_ = nullptr;
    QPushButton* cmdSubmit_ = nullptr;
    int parameterTop_ = 0; // top of question 9 as laid out on load
};

} // namespace lumetra
