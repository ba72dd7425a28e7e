#include "help_window.h"

#include "atomic_write.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QStandardPaths>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

namespace lumetra {
namespace {

// Screenshots are as wide as a screen; shown at most this wide, they fit beside the text.
constexpr int kMaxImageWidth = 720;

void capImageWidths(QTextBrowser* browser) {
    QTextDocument* doc = browser->document();
    QList<QPair<QTextFragment, QTextImageFormat>> images;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isImageFormat())
                images.append({it.fragment(), it.fragment().charFormat().toImageFormat()});
    for (auto& [fragment, format] : images) {
        const QVariant data =
            browser->loadResource(QTextDocument::ImageResource, QUrl(format.name()));
        const QImage image = data.typeId() == QMetaType::QImage
                                 ? data.value<QImage>()
                                 : QImage::fromData(data.toByteArray());
        if (image.isNull() || image.width() <= kMaxImageWidth || format.width() > 0) continue;
        format.setWidth(kMaxImageWidth); // the height follows the picture's aspect
        QTextCursor c(doc);
        c.setPosition(fragment.position());
        c.setPosition(fragment.position() + fragment.length(), QTextCursor::KeepAnchor);
        c.setCharFormat(format);
    }
}

} // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Lumetra Manual"));
    openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("txtManual"));
    // Links inside the manual scroll; anything else goes to the desktop.
    browser_->setOpenLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isRelative() && url.path().isEmpty()) {
            browser_->scrollToAnchor(url.fragment());
            return;
        }
        const QUrl target =
            url.isRelative()
                ? QUrl::fromLocalFile(QFileInfo(path_).absolutePath() + u'/').resolved(url)
                : url;
        if (openUrl) openUrl(target);
    });

    txtFind_ = new QLineEdit(this);
    txtFind_->setObjectName(QStringLiteral("txtFind"));
    txtFind_->setPlaceholderText(QStringLiteral("Find in manual"));
    txtFind_->setClearButtonEnabled(true);
    lblFind_ = new QLabel(this);
    lblFind_->setObjectName(QStringLiteral("lblFind"));
    auto* next = new QPushButton(QStringLiteral("Find &Next"), this);
    next->setObjectName(QStringLiteral("cmdFindNext"));
    auto* browserButton = new QPushButton(QStringLiteral("Open in &Browser"), this);
    browserButton->setObjectName(QStringLiteral("cmdOpenBrowser"));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("cmdCloseHelp"));

    auto find = [this] {
        const bool found = findText(txtFind_->text());
        lblFind_->setText(found || txtFind_->text().isEmpty() ? QString()
                                                              : QStringLiteral("Not found"));
    };
    connect(txtFind_, &QLineEdit::returnPressed, this, find);
    connect(next, &QPushButton::clicked, this, find);
    connect(new QShortcut(QKeySequence::Find, this), &QShortcut::activated, this, [this] {
        txtFind_->setFocus();
        txtFind_->selectAll();
    });
    connect(browserButton, &QPushButton::clicked, this, &HelpWindow::openInBrowser);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // Esc closes the manual like any viewer.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    esc->setContext(Qt::WindowShortcut);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    auto* bar = new QHBoxLayout;
    bar->addWidget(txtFind_, 1);
    bar->addWidget(next);
    bar->addWidget(lblFind_);
    bar->addStretch(1);
    bar->addWidget(browserButton);
    bar->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(browser_, 1);
    resize(900, 700);
}

bool HelpWindow::openManual(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromUtf8(file.readAll());
    path_ = QFileInfo(path).absoluteFilePath();
    // Relative image paths ("images/...") are found beside the manual.
    browser_->setSearchPaths({QFileInfo(path_).absolutePath()});
    browser_->setMarkdown(text);
    capImageWidths(browser_);
    return true;
}

bool HelpWindow::findText(const QString& text, bool backward) {
    if (text.isEmpty()) return false;
    const QTextDocument::FindFlags flags =
        backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    if (browser_->find(text, flags)) return true;
    // Once round from the other end.
    QTextCursor c = browser_->textCursor();
    c.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
    browser_->setTextCursor(c);
    return browser_->find(text, flags);
}

QString HelpWindow::writeHtmlCopy(const QString& target) const {
    QString html = browser_->document()->toHtml();
    const QString base = QStringLiteral("<base href=\"") +
                         QUrl::fromLocalFile(QFileInfo(path_).absolutePath() + u'/').toString() +
                         QStringLiteral("\" />");
    const qsizetype head = html.indexOf(QStringLiteral("<head>"));
    if (head >= 0)
        html.insert(head + 6, base);
    else
        html.prepend(base);
    return writeFileAtomically(target, html.toUtf8()) ? target : QString();
}

bool HelpWindow::openInBrowser() {
    if (path_.isEmpty() || !openUrl) return false;
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::TempLocation);
    const QString html = writeHtmlCopy(QDir(dir).filePath(QStringLiteral("lumetra-manual.html")));
    return openUrl(QUrl::fromLocalFile(html.isEmpty() ? path_ : html));
}

} // namespace lumetra
