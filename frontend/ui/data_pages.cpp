#include "data_pages.h"

#include "compare_panel.h"
#include "data_source.h"
#include "import_dialog.h"
#include "main_window.h"
#include "plot_controller.h"
#include "setup_page.h"
#include "signal_page.h"

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLayout>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTabWidget>

namespace lumetra {

DataPages::DataPages(MainWindow& window, JobSession& session, EngineLibrary& engine)
    : QObject(&window), window_(window), session_(session), engine_(engine) {
    // File > Import data... after Open.
    QMenu* file = window.menu(QStringLiteral("mnuFile"));
    auto* entry = new QAction(QStringLiteral("&Import data ..."), file);
    entry->setObjectName(QStringLiteral("mnuFileImport"));
    entry->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    QMenu* recent = window.menu(QStringLiteral("mnuFileRecent"));
    file->insertAction(recent ? recent->menuAction() : nullptr, entry);
    connect(entry, &QAction::triggered, this, &DataPages::importMenu);

    // Compare: a button on the Setup page and an entry in the File menu.
    auto* compare = new QAction(QStringLiteral("Co&mpare methods ..."), file);
    compare->setObjectName(QStringLiteral("mnuFileCompare"));
    file->insertAction(recent ? recent->menuAction() : nullptr, compare);
    connect(compare, &QAction::triggered, this, &DataPages::openCompare);
    if (QWidget* setup = window.plotController()->setupPage(); setup && setup->layout()) {
        auto* button = new QPushButton(QStringLiteral("Compare methods ..."));
        button->setObjectName(QStringLiteral("cmdCompare"));
        setup->layout()->addWidget(button);
        connect(button, &QPushButton::clicked, this, &DataPages::openCompare);
    }

    signal_ = new SignalPage(session.state());
    window.tabs()->addTab(signal_, QStringLiteral("Signal"));

    window.setAcceptDrops(true);
    window.installEventFilter(this);
}

void DataPages::importMenu() {
    FileDialogRequest request;
    request.title = QStringLiteral("Data to import");
    request.filter = QStringLiteral(
        "Data files (*.csv, *.tsv, *.txt, *.dat, *.wav, *.flac, *.ogg, *.aiff, *.npy)|"
        "*.csv;*.tsv;*.txt;*.dat;*.wav;*.flac;*.ogg;*.aif;*.aiff;*.npy|All files|*");
    request.initialDir = session_.state().dialogDir;
    const QString path = session_.ui().openFileName(request);
    if (!path.isEmpty()) importFile(path);
}

bool DataPages::importFile(const QString& path) {
    ImportController controller(session_);
    if (!controller.open(path)) return false;
    ImportDialog dialog(controller, &window_);
    if (dialog.exec() != QDialog::Accepted) return false;
    signal_->model().reload();
    return true;
}

ComparePanel* DataPages::openCompare() {
    if (!compare_) {
        compare_ = new ComparePanel(session_, engine_, &window_);
        // Preticked: the job's own method.
        const int own = specest::record::match_method(
            session_.state().answers.answer(6).trimmed().toStdString());
        if (own) compare_->choose({own});
    }
    // The compare runs in the view's profile.
    if (!compare_->running())
        compare_->setModern(window_.plotController()->view() == plot::PlotView::Modern);
    compare_->show();
    compare_->raise();
    return compare_;
}

void DataPages::openFile(const QString& path) {
    if (data::isJobFile(path))
        window_.openRecent(QFileInfo(path).absoluteFilePath());
    else
        importFile(path);
}

bool DataPages::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::DragEnter) {
        auto* e = static_cast<QDragEnterEvent*>(event);
        const auto urls = e->mimeData()->urls();
        if (urls.size() == 1 && urls.front().isLocalFile()) {
            e->acceptProposedAction();
            return true;
        }
    }
    if (watched == &window_ && event->type() == QEvent::Drop) {
        auto* e = static_cast<QDropEvent*>(event);
        const auto urls = e->mimeData()->urls();
        if (urls.size() == 1 && urls.front().isLocalFile()) {
            e->acceptProposedAction();
            const QString path = urls.front().toLocalFile();
            // After the drop returns: the dialog must not run inside the drag's event.
            QMetaObject::invokeMethod(
                this, [this, path] { openFile(path); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lumetra
