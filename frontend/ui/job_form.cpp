#include "job_form.h"

#include "method_table.h"
#include "path_rules.h"
#include "question_table.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace lumetra {
namespace {

constexpr int kTwipsPerPixel = 12;
constexpr int kLabelLeft = 10;
constexpr int kLabelWidth = 560;
constexpr int kControlLeft = 580;
constexpr int kControlWidth = 200;
constexpr int kRowHeight = 22;
constexpr int kFirstRowTop = 1050;

} // namespace

int JobForm::px(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

JobForm::JobForm(JobSession& session, QWidget* parent) : QWidget(parent), session_(session) {
    setObjectName(QStringLiteral("ParameterSelection"));

    auto* instructions = new QLabel(kInstructions, this);
    instructions->setObjectName(QStringLiteral("lblInstructions"));
    instructions->setWordWrap(true);
    instructions->setGeometry(kLabelLeft, px(150), kControlLeft + kControlWidth - kLabelLeft, 40);
    auto* warning = new QLabel(kWarning1, this);
    warning->setObjectName(QStringLiteral("lblWarning1"));
    warning->setGeometry(kLabelLeft, px(720), kControlLeft + kControlWidth - kLabelLeft,
                         kRowHeight);

    for (int n = 1; n <= kQuestionCount; ++n) {
        auto* label = new QLabel(questionLabel(n), this);
        label->setObjectName(QStringLiteral("Question_%1").arg(n));
        questions_[n - 1] = label;
    }

    auto makeEdit = [this](const QString& name, const QString& text) {
        auto* e = new QLineEdit(text, this);
        e->setObjectName(name);
        connect(e, &QLineEdit::textChanged, this, &JobForm::markChanged);
        return e;
    };
    timeData_ = makeEdit(QStringLiteral("timeData"), questionDefault(1));
    // The data file is chosen through the browse dialog, not typed.
    timeData_->setReadOnly(true);
    timeData_->installEventFilter(this);
    nSkip_ = makeEdit(QStringLiteral("nSkip"), questionDefault(2));
    totalLines_ = makeEdit(QStringLiteral("TotalLines"), questionDefault(3));

    auto makeFrame = [this](const QString& name, QRadioButton*& a, const QString& aName,
                            const QString& aText, QRadioButton*& b, const QString& bName,
                            const QString& bText) {
        auto* frame = new QGroupBox(this);
        frame->setObjectName(name);
        frame->setFlat(true);
        frame->setStyleSheet(QStringLiteral("QGroupBox { border: 0; margin: 0; padding: 0; }"));
        auto* layout = new QHBoxLayout(frame);
        layout->setContentsMargins(0, 0, 0, 0);
        a = new QRadioButton(aText, frame);
        a->setObjectName(aName);
        b = new QRadioButton(bText, frame);
        b->setObjectName(bName);
        layout->addWidget(a);
        layout->addWidget(b);
        connect(a, &QRadioButton::toggled, this, &JobForm::markChanged);
        connect(b, &QRadioButton::toggled, this, &JobForm::markChanged);
        return frame;
    };
    fraDataType_ = makeFrame(QStringLiteral("FraDataType"), optReal_, QStringLiteral("optReal"),
                             QStringLiteral("Real"), optComplex_, QStringLiteral("optComplex"),
                             QStringLiteral("Complex"));
    optReal_->setChecked(true);
    methods_ = new QComboBox(this);
    methods_->setObjectName(QStringLiteral("Methods"));
    methods_->addItems(methodList());
    methods_->setCurrentIndex(0);
    auto methodChanged = [this] {
        markChanged();
        showMethodQuestions();
    };
    connect(methods_, &QComboBox::currentIndexChanged, this, methodChanged);
    connect(methods_, &QComboBox::activated, this, methodChanged);
    fraNegFreq_ =
        makeFrame(QStringLiteral("FraNegFreq"), optYes_, QStringLiteral("optYes"),
                  QStringLiteral("Yes"), optNo_, QStringLiteral("optNo"), QStringLiteral("No"));

    for (int n = 8; n <= kQuestionCount; ++n)
        params_[n - 8] = makeEdit(questionControl(n), questionDefault(n));

    lblKeepNotes_ = new QLabel(kNotesLabel, this);
    lblKeepNotes_->setObjectName(QStringLiteral("lblKeepNotes"));
    note1_ = makeEdit(QStringLiteral("Note1"), noteDefault(1));
    note2_ = makeEdit(QStringLiteral("Note2"), noteDefault(2));
    note1_->installEventFilter(this);
    note2_->installEventFilter(this);

    cmdFileData_ = new QPushButton(QStringLiteral("..."), timeData_);
    cmdFileData_->setObjectName(QStringLiteral("cmdFileData"));
    cmdFileData_->setToolTip(QStringLiteral("Select File Name containing your Data for Analyses"));
    connect(cmdFileData_, &QPushButton::clicked, this, &JobForm::browseDataFile);

    cmdSubmit_ = new QPushButton(QStringLiteral("&Calculate"), this);
    cmdSubmit_->setObjectName(QStringLiteral("cmdSubmit"));
    cmdSubmit_->setGeometry(kControlLeft + kControlWidth + 30, px(kFirstRowTop), 110, 30);
    connect(cmdSubmit_, &QPushButton::clicked, this, &JobForm::submitClicked);

    layoutOnLoad();
    showMethodQuestions();
    setMinimumSize(kControlLeft + kControlWidth + 160, px(kFirstRowTop + 22 * kRowPitch));
}

void JobForm::placeAt(QWidget* w, int top) {
    const bool isLabel = qobject_cast<QLabel*>(w) != nullptr;
    w->setGeometry(isLabel ? kLabelLeft : kControlLeft, px(top),
                   isLabel ? kLabelWidth : kControlWidth, kRowHeight);
}

void JobForm::layoutOnLoad() {
    int top = kFirstRowTop;
    for (int n = 1; n <= 4; ++n, top += kRowPitch) placeAt(question(n), top);
    top = kFirstRowTop + 3 * kRowPitch + 40;
    placeAt(question(5), top);
    question(5)->hide();
    for (int n = 6; n <= kQuestionCount; ++n) placeAt(question(n), top + (n - 5) * kRowPitch);
    parameterTop_ = top + 4 * kRowPitch; // question 9

    top = kFirstRowTop;
    for (QWidget* w : {static_cast<QWidget*>(timeData_), static_cast<QWidget*>(nSkip_),
                       static_cast<QWidget*>(totalLines_), static_cast<QWidget*>(fraDataType_),
                       static_cast<QWidget*>(methods_), static_cast<QWidget*>(fraNegFreq_)}) {
        placeAt(w, top);
        top += kRowPitch;
    }
    placeAt(params_[0], top + scaleToScreenY(40)); // nPoints

    // The browse button sits inside the right end of the file name box.
    const int h = px(kRowHeight * kTwipsPerPixel - 60);
    const int w = px(300);
    cmdFileData_->setGeometry(timeData_->width() - w - 1, px(20), w, std::max(h, 10));
    cmdFileData_->hide();
}

void JobForm::showQuestion(const QString& controlName, int number, int& top) {
    QWidget* c = control(controlName);
    if (c) {
        placeAt(c, top);
        c->show();
    }
    placeAt(question(number), top);
    question(number)->show();
    top += scaleToScreenY(270);
}

void JobForm::showMethodQuestions() {
    for (int n = 9; n <= kQuestionCount; ++n) {
        question(n)->hide();
        params_[n - 8]->hide();
    }
    int top = parameterTop_ + scaleToScreenY(5);
    for (int n : methodQuestions(methods_->currentText())) showQuestion(questionControl(n), n, top);
    top += scaleToScreenY(100);
    lblKeepNotes_->setGeometry(kLabelLeft, px(top), kLabelWidth, kRowHeight);
    top += scaleToScreenY(330);
    note1_->setGeometry(kLabelLeft, px(top), kControlLeft + kControlWidth - kLabelLeft, kRowHeight);
    top += scaleToScreenY(330);
    note2_->setGeometry(kLabelLeft, px(top), kControlLeft + kControlWidth - kLabelLeft, kRowHeight);
}

QWidget* JobForm::control(const QString& name) const {
    if (name == u"optReal") return optReal_;
    if (name == u"optComplex") return optComplex_;
    if (name == u"optYes") return optYes_;
    if (name == u"optNo") return optNo_;
    return findChild<QWidget*>(name);
}

void JobForm::getAnswers() {
    const JobState& s = session_.state();
    const JobAnswers& a = s.answers;
    timeData_->setText(s.dataFileName);
    nSkip_->setText(a.answer(2));
    totalLines_->setText(a.answer(3));
    if (a.answer(4).trimmed().startsWith(u'R'))
        optReal_->setChecked(true);
    else
        optComplex_->setChecked(true);
    const int index = methodList().indexOf(a.answer(6));
    if (index >= 0) methods_->setCurrentIndex(index);
    if (a.answer(7).trimmed().startsWith(u'Y'))
        optYes_->setChecked(true);
    else
        optNo_->setChecked(true);
    for (int n = 8; n <= kQuestionCount; ++n) params_[n - 8]->setText(a.answer(n));
    note1_->setText(a.note(1));
    note2_->setText(a.note(2));
    showMethodQuestions();
}

void JobForm::putAnswers() {
    JobState& s = session_.state();
    JobAnswers& a = s.answers;
    if (!s.dataFileDir.isEmpty())
        a.setAnswer(1, s.dataFileName.isEmpty() ? QString() : s.dataFilePath());
    else
        a.setAnswer(1, timeData_->text());
    a.setAnswer(2, nSkip_->text());
    a.setAnswer(3, totalLines_->text());
    a.setAnswer(4, optReal_->isChecked() ? QStringLiteral("Real") : QStringLiteral("Complex"));
    a.setAnswer(6, methods_->currentText());
    a.setAnswer(7, optYes_->isChecked() ? QStringLiteral("Yes") : QStringLiteral("No"));
    for (int n = 8; n <= kQuestionCount; ++n) a.setAnswer(n, params_[n - 8]->text());
    a.setNote(1, note1_->text());
    a.setNote(2, note2_->text());
}

void JobForm::markChanged() {
    session_.state().formChanged = true;
}

void JobForm::browseDataFile() {
    FileDialogRequest request;
    request.title = QStringLiteral("Select File Name containing your Data for Analyses");
    request.filter = QStringLiteral("All Files (*.*)|*.*|Input Data Files (*.??"
                                    "?)|*.???"
                                    "|Plot data files (*.dat)|*.dat");
    request.selectedFilter = 2;
    request.initialDir = session_.state().dialogDir;
    const QString chosen = session_.ui().openFileName(request);
    if (chosen.isEmpty()) return;
    JobState& s = session_.state();
    s.dataFileName = splitPath(chosen, s.currentDir, &s.dataFileDir);
    timeData_->setText(s.dataFileName);
}

bool JobForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        if (watched == timeData_) {
            cmdFileData_->show();
            QTimer::singleShot(0, cmdFileData_, [b = cmdFileData_] { b->setFocus(); });
        } else if (watched == note1_ || watched == note2_) {
            auto* edit = static_cast<QLineEdit*>(watched);
            QTimer::singleShot(0, edit, [edit] { edit->selectAll(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void JobForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showMethodQuestions();
}

} // namespace lumetra
