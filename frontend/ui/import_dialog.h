// File > Import data...: the dialog on a source file, and the accept step behind it (the last
// questions, writing the data file, filling questions 1-4), which runs without widgets.
#pragma once

#include "import_session.h"
#include "job_session.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

namespace lumetra {

inline const QString kImportTitle = QStringLiteral("Import data");

class ImportController {
  public:
    explicit ImportController(JobSession& session) : session_(session) {}

    // Reads the source; a message naming it and the problem when it cannot be read.
    bool open(const QString& path);
    data::ImportSession& import() { return import_; }
    // Where the data file goes unless the user picks another place.
    QString suggestedTarget() const;
    // The save dialog for the data file; empty when cancelled.
    QString chooseTarget(const QString& current) const;
    // The checks, the offers (leave out NaN rows, keep the first records, replace the file),
    // then the data file and questions 1-4 of the form. False when nothing was written.
    bool accept(const QString& target);

  private:
    JobSession& session_;
    data::ImportSession import_;
};

class ImportDialog : public QDialog {
    Q_OBJECT
  public:
    ImportDialog(ImportController& controller, QWidget* parent = nullptr);

  private:
    void fillChoices();
    void readChoices();
    void refresh();
    void browse();
    void importClicked();

    ImportController& controller_;
    QLabel* format_ = nullptr;
    QTableWidget* preview_ = nullptr;
    QComboBox* column_ = nullptr;
    QComboBox* imag_ = nullptr;
    QComboBox* time_ = nullptr;
    QLineEdit* rate_ = nullptr;
    QCheckBox* alongRows_ = nullptr;
    QCheckBox* dropBad_ = nullptr;
    QLabel* status_ = nullptr;
    QLineEdit* target_ = nullptr;
    bool filling_ = false;
};

} // namespace lumetra
