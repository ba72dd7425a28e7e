#include "dialog_interaction.h"

#include "text_viewer.h"

#include <QAbstractPrintDialog>
#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QRegularExpression>
#include <QTimer>

namespace lumetra {

QStringList DialogInteraction::nameFilters(const QString& filter) {
    QStringList out;
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^)]*\\)\\s*$")));
        QStringList patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts);
        for (QString& p : patterns)
            if (p == u"*.*") p = QStringLiteral("*");
        out << description + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return out;
}

MessageAnswer DialogInteraction::message(const MessageRequest& r) {
    QMessageBox box(parent_);
    box.setText(r.text);
    box.setWindowTitle(r.title);
    switch (r.icon) {
    case MessageIcon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case MessageIcon::Question:
        box.setIcon(QMessageBox::Question);
        break;
    case MessageIcon::Warning:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::Critical:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::None:
        break;
    }
    switch (r.buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        break;
    case MessageButtons::OkCancel:
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

QString DialogInteraction::runDialog(const FileDialogRequest& r, bool save) {
    QFileDialog dialog(parent_, r.title, r.initialDir);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The program asks about replacing a file itself.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = nameFilters(r.filter);
    dialog.setNameFilters(filters);
    if (r.selectedFilter >= 1 && r.selectedFilter <= filters.size())
        dialog.selectNameFilter(filters[r.selectedFilter - 1]);
    if (!r.suggestedName.isEmpty()) dialog.selectFile(r.suggestedName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
    return dialog.selectedFiles().constFirst();
}

QString DialogInteraction::openFileName(const FileDialogRequest& request) {
    return runDialog(request, false);
}

QString DialogInteraction::saveFileName(const FileDialogRequest& request) {
    return runDialog(request, true);
}

void DialogInteraction::viewFile(const QString& path) {
    auto* viewer = new TextViewer(path, parent_);
    viewer->showMaximized();
    viewer->activateWindow();
}

void DialogInteraction::viewFileAtEnd(const QString& path) {
    auto* viewer = new TextViewer(path, parent_);
    viewer->showMaximized();
    viewer->scrollToEnd();
    // Once more after the window has its size, so the last line is in view.
    QTimer::singleShot(0, viewer, [viewer] { viewer->scrollToEnd(); });
    viewer->activateWindow();
}

std::optional<quint32> DialogInteraction::pickColor(quint32 initialBgr) {
    const QColor initial(static_cast<int>(initialBgr & 0xFF),
                         static_cast<int>((initialBgr >> 8) & 0xFF),
                         static_cast<int>((initialBgr >> 16) & 0xFF));
    const QColor c = QColorDialog::getColor(initial, parent_);
    if (!c.isValid()) return std::nullopt;
    return static_cast<quint32>(c.red()) | static_cast<quint32>(c.green()) << 8 |
           static_cast<quint32>(c.blue()) << 16;
}

bool DialogInteraction::printSetup(QPrinter& printer) {
    QPrintDialog dialog(&printer, parent_);
    // One page: no page range. Printing to a file stays, as on a desktop without a printer it is
    // the only way to print.
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace lumetra
