#include "import_dialog.h"

#include "atomic_write.h"
#include "form_view.h"
#include "path_rules.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lumetra {

bool ImportController::open(const QString& path) {
    QString error;
    if (import_.open(path, &error)) return true;
    session_.ui().message({error, kImportTitle, MessageIcon::Warning, MessageButtons::Ok});
    return false;
}

QString ImportController::suggestedTarget() const {
    const JobState& s = session_.state();
    return import_.suggestedTarget(s.jobDir.isEmpty() ? s.currentDir : s.jobDir);
}

QString ImportController::chooseTarget(const QString& current) const {
    const QFileInfo at(current.isEmpty() ? suggestedTarget() : current);
    FileDialogRequest request;
    request.title = QStringLiteral("Data file to write");
    request.filter = QStringLiteral("Data files (*.txt, *.dat)|*.txt;*.dat|All files|*");
    request.initialDir = at.absolutePath();
    request.suggestedName = at.fileName();
    return session_.ui().saveFileName(request);
}

bool ImportController::accept(const QString& target) {
    UserInteraction& ui = session_.ui();
    auto warn = [&](const QString& text) {
        ui.message({text, kImportTitle, MessageIcon::Warning, MessageButtons::Ok});
        return false;
    };
    auto ask = [&](const QString& text) {
        return ui.message({text, kImportTitle, MessageIcon::Question, MessageButtons::YesNo}) ==
               MessageAnswer::Yes;
    };
    data::ImportOptions& o = import_.options;
    data::ImportResult r = import_.check();
    if (r.problem == data::ImportProblem::NonFinite) {
        if (!ask(r.message + QStringLiteral("\n\nLeave those rows out? (No stops the import.)")))
            return false;
        o.dropBad = true;
        r = import_.check();
    }
    if (r.problem == data::ImportProblem::TooMany) {
        if (!ask(r.message + QStringLiteral("\n\nKeep the first %1 records?").arg(o.recordLimit)))
            return false;
        o.takeFirst = true;
        r = import_.check();
    }
    if (!r.ok()) return warn(r.message);
    const QFileInfo out(target);
    if (target.trimmed().isEmpty()) return warn(QStringLiteral("Name the data file to write."));
    if (out.exists() &&
        out.canonicalFilePath() == QFileInfo(import_.source().path).canonicalFilePath())
        return warn(QStringLiteral("The data file cannot replace the source it is made from."));
    if (out.exists() && !ask(QStringLiteral("%1 exists. Replace it?").arg(target))) return false;
    QString error;
    if (!writeFileAtomically(target, data::dataFileBytes(r.series), &error))
        return warn(QStringLiteral("%1 cannot be written: %2").arg(target, error));

    // Questions 1-4: the data file, its header line, all records, real or complex.
    session_.putAnswers();
    JobAnswers& a = session_.state().answers;
    a.setAnswer(1, out.absoluteFilePath());
    a.setAnswer(2, QString::number(data::kDataFileHeaderLines));
    a.setAnswer(3, QStringLiteral("0"));
    a.setAnswer(4, r.series.complex ? QStringLiteral("Complex") : QStringLiteral("Real"));
    session_.getAnswers();
    session_.state().formChanged = true;
    if (FormView* v = session_.view()) v->showPage(0);
    return true;
}

ImportDialog::ImportDialog(ImportController& controller, QWidget* parent)
    : QDialog(parent), controller_(controller) {
    setObjectName(QStringLiteral("dlgImport"));
    const data::SourceTable& source = controller_.import().source();
    setWindowTitle(kImportTitle + QStringLiteral(" - ") + QFileInfo(source.path).fileName());
    auto* layout = new QVBoxLayout(this);
    format_ = new QLabel;
    format_->setObjectName(QStringLiteral("lblFormat"));
    format_->setWordWrap(true);
    layout->addWidget(format_);
    preview_ = new QTableWidget;
    preview_->setObjectName(QStringLiteral("tblPreview"));
    preview_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    preview_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(preview_, 1);

    auto* form = new QFormLayout;
    const bool audio = source.kind == data::SourceKind::Audio;
    column_ = new QComboBox;
    column_->setObjectName(QStringLiteral("cboColumn"));
    imag_ = new QComboBox;
    imag_->setObjectName(QStringLiteral("cboImag"));
    time_ = new QComboBox;
    time_->setObjectName(QStringLiteral("cboTime"));
    rate_ = new QLineEdit;
    rate_->setObjectName(QStringLiteral("txtRate"));
    alongRows_ = new QCheckBox(QStringLiteral("Read the series along the rows of the array"));
    alongRows_->setObjectName(QStringLiteral("chkAlongRows"));
    dropBad_ = new QCheckBox(QStringLiteral("Leave out rows with NaN or infinite values"));
    dropBad_->setObjectName(QStringLiteral("chkDropBad"));
    form->addRow(audio ? QStringLiteral("Channel:") : QStringLiteral("Samples (real part):"),
                 column_);
    if (!audio) form->addRow(QStringLiteral("Imaginary part:"), imag_);
    if (!audio) form->addRow(QStringLiteral("Time:"), time_);
    form->addRow(QStringLiteral("Sampling rate (Hz):"), rate_);
    if (controller_.import().canReadAlongRows()) form->addRow(QString(), alongRows_);
    form->addRow(QString(), dropBad_);
    layout->addLayout(form);
    imag_->setVisible(!audio);
    time_->setVisible(!audio);
    alongRows_->setVisible(controller_.import().canReadAlongRows());

    status_ = new QLabel;
    status_->setObjectName(QStringLiteral("lblImportStatus"));
    status_->setWordWrap(true);
    status_->setTextFormat(Qt::PlainText);
    layout->addWidget(status_);

    auto* targetRow = new QHBoxLayout;
    targetRow->addWidget(new QLabel(QStringLiteral("Data file:")));
    target_ = new QLineEdit(controller_.suggestedTarget());
    target_->setObjectName(QStringLiteral("txtTarget"));
    targetRow->addWidget(target_, 1);
    auto* browse = new QPushButton(QStringLiteral("Browse ..."));
    targetRow->addWidget(browse);
    layout->addLayout(targetRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    auto* ok = buttons->addButton(QStringLiteral("Import"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdImport"));
    layout->addWidget(buttons);

    connect(browse, &QPushButton::clicked, this, &ImportDialog::browse);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ok, &QPushButton::clicked, this, &ImportDialog::importClicked);
    for (QComboBox* c : {column_, imag_, time_})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { readChoices(); });
    connect(rate_, &QLineEdit::textChanged, this, [this] { readChoices(); });
    connect(dropBad_, &QCheckBox::toggled, this, [this] { readChoices(); });
    connect(alongRows_, &QCheckBox::toggled, this, [this](bool on) {
        controller_.import().setAlongRows(on);
        fillChoices();
    });
    fillChoices();
    resize(760, 620);
}

void ImportDialog::fillChoices() {
    filling_ = true;
    const data::SourceTable& t = controller_.import().table();
    const data::ImportOptions& o = controller_.import().options;
    const bool audio = t.kind == data::SourceKind::Audio;
    format_->setText(QStringLiteral("%1\n%2%3, %4 %5, %6 %7")
                         .arg(QDir::toNativeSeparators(t.path), t.format,
                              t.hasHeader ? QStringLiteral(", with a header line") : QString())
                         .arg(t.rowCount())
                         .arg(audio ? QStringLiteral("frames") : QStringLiteral("rows"))
                         .arg(t.columnCount())
                         .arg(audio ? QStringLiteral("channels") : QStringLiteral("columns")));
    preview_->clear();
    preview_->setColumnCount(t.columnCount());
    preview_->setRowCount(static_cast<int>(t.preview.size()));
    QStringList headers;
    for (int c = 0; c < t.columnCount(); ++c)
        headers << QStringLiteral("%1: %2").arg(c + 1).arg(t.names.value(c));
    preview_->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < t.preview.size(); ++r)
        for (int c = 0; c < t.preview[r].size(); ++c)
            preview_->setItem(r, c, new QTableWidgetItem(t.preview[r][c]));
    column_->clear();
    imag_->clear();
    time_->clear();
    imag_->addItem(QStringLiteral("none (real data, or one column of a+bj)"));
    time_->addItem(QStringLiteral("from the sampling rate"));
    for (int c = 0; c < t.columnCount(); ++c) {
        const QString name = QStringLiteral("%1: %2").arg(c + 1).arg(t.names.value(c));
        column_->addItem(name);
        imag_->addItem(name);
        time_->addItem(name);
    }
    column_->setCurrentIndex(o.column - 1);
    imag_->setCurrentIndex(o.imagColumn);
    time_->setCurrentIndex(o.timeColumn);
    rate_->setText(o.rate > 0 ? QString::number(o.rate, 'g', 12) : QString());
    dropBad_->setChecked(o.dropBad);
    filling_ = false;
    readChoices();
}

void ImportDialog::readChoices() {
    if (filling_) return;
    data::ImportOptions& o = controller_.import().options;
    o.column = column_->currentIndex() + 1;
    o.imagColumn = imag_->currentIndex() > 0 ? imag_->currentIndex() : 0;
    o.timeColumn = time_->currentIndex() > 0 ? time_->currentIndex() : 0;
    bool ok = false;
    const double rate = rate_->text().trimmed().toDouble(&ok);
    o.rate = ok ? rate : 0;
    rate_->setEnabled(o.timeColumn == 0);
    o.dropBad = dropBad_->isChecked();
    refresh();
}

void ImportDialog::refresh() {
    const data::ImportResult r = controller_.import().check();
    QString text;
    if (r.ok()) {
        text = data::ImportSession::summary(r.series);
        for (const QString& w : r.series.warnings) text += QStringLiteral("\nWarning: ") + w;
        status_->setStyleSheet(r.series.warnings.isEmpty() ? QString()
                                                           : QStringLiteral("color: #8a5a00;"));
    } else {
        text = r.message;
        if (r.problem == data::ImportProblem::NonFinite)
            text += QStringLiteral(" Import offers to leave them out.");
        if (r.problem == data::ImportProblem::TooMany)
            text += QStringLiteral(" Import offers to keep the first ones.");
        status_->setStyleSheet(QStringLiteral("color: #b00020;"));
    }
    status_->setText(text);
}

void ImportDialog::browse() {
    const QString chosen = controller_.chooseTarget(target_->text().trimmed());
    if (!chosen.isEmpty()) target_->setText(chosen);
}

void ImportDialog::importClicked() {
    if (controller_.accept(target_->text().trimmed())) accept();
}

} // namespace lumetra
