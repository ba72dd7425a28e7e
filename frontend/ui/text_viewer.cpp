#include "text_viewer.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
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
    if (QFileInfo(path).isDir())
        loadError_ = QStringLiteral("'%1' is a folder, not a file.").arg(path);
    else if (!QFileInfo::exists(path))
        loadError_ = QStringLiteral("'%1' does not exist.").arg(path);
    else if (!file.open(QIODevice::ReadOnly))
        loadError_ = QStringLiteral("'%1' cannot be read: %2.").arg(path, file.errorString());
    if (loadError_.isEmpty()) {
        edit_->setPlainText(QString::fromUtf8(file.readAll()));
    } else {
        setWindowTitle(path + QStringLiteral(" (not shown)"));
        edit_->setPlainText(loadError_);
    }

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
    // Esc closes the viewer wherever the focus is (the text keeps it otherwise).
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, &QDialog::close);
}

QString TextViewer::text() const {
    return edit_->toPlainText();
}

void TextViewer::scrollToEnd() {
    edit_->moveCursor(QTextCursor::End);
    edit_->ensureCursorVisible();
}

} // namespace lumetra
