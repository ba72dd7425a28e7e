#include "intro_form.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumetra {
namespace {

QLabel* sentence(const QString& name, const QString& text, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    return l;
}

} // namespace

IntroForm::IntroForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmIntro"));
    setWindowTitle(kIntroCaption);
    setFont(QFont(QStringLiteral("Arial"), 10));

    auto* title = new QLabel(kIntroTitle, this);
    title->setObjectName(QStringLiteral("lblTitleIntro"));
    title->setTextFormat(Qt::PlainText);
    title->setAlignment(Qt::AlignCenter);
    QFont big(QStringLiteral("Arial"), 18);
    big.setBold(true);
    title->setFont(big);

    cmdRunIntro_ = new QPushButton(QStringLiteral("&Run a Demo"), this);
    cmdRunIntro_->setObjectName(QStringLiteral("cmdRunIntro"));
    cmdCreateIntro_ = new QPushButton(QStringLiteral("&Create Your Data"), this);
    cmdCreateIntro_->setObjectName(QStringLiteral("cmdCreateIntro"));
    cmdExitIntro_ = new QPushButton(QStringLiteral("E&xit"), this);
    cmdExitIntro_->setObjectName(QStringLiteral("cmdExitIntro"));
    cmdRunIntro_->setDefault(true);
    for (QPushButton* b : {cmdRunIntro_, cmdCreateIntro_, cmdExitIntro_}) b->setAutoDefault(false);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdRunIntro_);
    buttons->addWidget(cmdCreateIntro_);
    buttons->addWidget(cmdExitIntro_);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addSpacing(12);
    layout->addWidget(sentence(QStringLiteral("lblSentence1"), kIntroSentence1, this));
    layout->addWidget(sentence(QStringLiteral("lblSentence2"), kIntroSentence2, this));
    layout->addSpacing(12);
    layout->addLayout(buttons);
    setMinimumWidth(520);

    connect(cmdRunIntro_, &QPushButton::clicked, this, [this] { choose(IntroChoice::RunDemo); });
    connect(cmdCreateIntro_, &QPushButton::clicked, this,
            [this] { choose(IntroChoice::CreateData); });
    connect(cmdExitIntro_, &QPushButton::clicked, this, [this] { choose(IntroChoice::Exit); });
}

void IntroForm::choose(IntroChoice c) {
    choice_ = c;
    if (c == IntroChoice::Exit)
        QDialog::reject();
    else
        accept();
}

void IntroForm::reject() {
    choice_ = IntroChoice::Exit;
    QDialog::reject();
}

IntroChoice IntroForm::run() {
    choice_ = IntroChoice::Exit;
    exec();
    return choice_;
}

} // namespace lumetra
