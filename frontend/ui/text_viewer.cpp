#include "text_viewer.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

namespace lumetra {

TextViewer::TextViewer(const QString& path, QWidget* parent) : QDialog(parent), path_(path) {
    setObjectName(QStringLiteral("notePad"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(path);
    edit_ = new QPlainTextEdit(this);
    edit_->setReadOnly(true);
    edit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) edit_->setPlainText(QString::fromUtf8(file.readAll()));

    auto* openButton = new QPushButton(tr("Open in &Editor"), this);
    openButton->setObjectName(QStringLiteral("cmdOpenExternal"));
    connect(openButton, &QPushButton::clicked, this,
            [this] { QDesktopServices::openUrl(QUrl::fromLocalFile(path_)); });
    auto* closeButton = new QPushButton(tr("&Close"), this);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(openButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(edit_);
    layout->addLayout(buttons);
    resize(900, 700);
}

QString TextViewer::text() const {
    return edit_->toPlainText();
}

void TextViewer::scrollToEnd() {
    edit_->moveCursor(QTextCursor::End);
    edit_->ensureCursorVisible();
}

} // namespace lumetra
