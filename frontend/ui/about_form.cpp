#include "about_form.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef LUMETRA_VERSION_TEXT
#error "LUMETRA_VERSION_TEXT comes from the project version"
#endif

namespace lumetra {

QString programVersion() {
    return QStringLiteral(LUMETRA_VERSION_TEXT);
}

QString AboutForm::titleText(const QString& version) {
    return QStringLiteral("Lumetra\u2122 (Version ") + version + u')';
}

AboutForm::AboutForm(const QString& version, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(kAboutCaption);

    txtTitle_ = new QLabel(titleText(version), this);
    txtTitle_->setObjectName(QStringLiteral("txtTitle"));
    txtTitle_->setTextFormat(Qt::PlainText);
    txtTitle_->setAlignment(Qt::AlignCenter);
    QFont f = txtTitle_->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    txtTitle_->setFont(f);

    auto* separator = new QLabel(QString(40, u'-'), this);
    separator->setObjectName(QStringLiteral("lblSeparator"));
    separator->setAlignment(Qt::AlignCenter);

    cmdOkay_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOkay_->setObjectName(QStringLiteral("cmdOkay"));
    cmdOkay_->setDefault(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtTitle_);
    layout->addWidget(separator);
    layout->addWidget(cmdOkay_, 0, Qt::AlignHCenter);

    // Hiding keeps the box for the next time.
    connect(cmdOkay_, &QPushButton::clicked, this, &QDialog::accept);
}

} // namespace lumetra
