#include "compare_panel.h"

#include "atomic_write.h"
#include "job_session.h"
#include "plot_page.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace lumetra {
namespace rec = specest::record;

namespace {
QString latin(std::string_view s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
} // namespace

ComparePanel::ComparePanel(JobSession& session, EngineLibrary& engine, QWidget* parent)
    : QDialog(parent), session_(session), runner_(engine) {
    setObjectName(QStringLiteral("dlgCompare"));
    setWindowTitle(QStringLiteral("Compare methods"));
    auto* layout = new QHBoxLayout(this);
    auto* side = new QVBoxLayout;
    auto* group = new QGroupBox(QStringLiteral("Methods"));
    auto* grid = new QVBoxLayout(group);
    for (const rec::Method m : rec::kFormOrder) {
        const rec::MethodInfo* info = rec::method_info(static_cast<int>(m));
        auto* box = new QCheckBox(latin(info->form_name));
        box->setObjectName(QStringLiteral("chkCompare_") + latin(info->short_name));
        grid->addWidget(box);
        boxes_.emplace_back(static_cast<int>(m), box);
    }
    side->addWidget(group);
    run_ = new QPushButton(QStringLiteral("Run"));
    run_->setObjectName(QStringLiteral("cmdCompareRun"));
    stop_ = new QPushButton(QStringLiteral("Cancel"));
    stop_->setObjectName(QStringLiteral("cmdCompareCancel"));
    stop_->setEnabled(false);
    export_ = new QPushButton(QStringLiteral("Export peaks ..."));
    export_->setObjectName(QStringLiteral("cmdCompareExport"));
    export_->setEnabled(false);
    side->addWidget(run_);
    side->addWidget(stop_);
    side->addWidget(export_);
    side->addStretch(1);
    layout->addLayout(side);

    auto* main = new QVBoxLayout;
    canvas_ = std::make_unique<plot::PlotCanvas>(QSize(900, 520));
    view_ = new PlotCanvasView(*canvas_);
    view_->setObjectName(QStringLiteral("picCompare"));
    main->addWidget(view_, 3);
    status_ = new QLabel(QStringLiteral("Tick the methods to compare and press Run."));
    status_->setObjectName(QStringLiteral("lblCompareStatus"));
    status_->setWordWrap(true);
    main->addWidget(status_);
    table_ = new QTableWidget;
    table_->setObjectName(QStringLiteral("tblComparePeaks"));
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    main->addWidget(table_, 1);
    layout->addLayout(main, 1);

    connect(run_, &QPushButton::clicked, this, [this] { start(); });
    connect(stop_, &QPushButton::clicked, this, &ComparePanel::cancel);
    connect(export_, &QPushButton::clicked, this, &ComparePanel::exportPeaks);
    connect(view_, &PlotCanvasView::resized, this, [this] {
        canvas_->resize(view_->size());
        redraw();
    });
    resize(1200, 780);
}

ComparePanel::~ComparePanel() {
    cancel();
    wait();
}

void ComparePanel::choose(const QList<int>& methods) {
    for (auto& [m, box] : boxes_) box->setChecked(methods.contains(m));
}

bool ComparePanel::start() {
    if (worker_) return false;
    UserInteraction& ui = session_.ui();
    auto warn = [&](const QString& text) {
        ui.message(
            {text, QStringLiteral("Compare methods"), MessageIcon::Warning, MessageButtons::Ok});
        return false;
    };
    QList<int> methods;
    for (auto& [m, box] : boxes_)
        if (box->isChecked()) methods << m;
    if (methods.size() < 1) return warn(QStringLiteral("Tick at least one method."));
    if (methods.size() > kMaxCompareMethods)
        return warn(QStringLiteral("A compare shows at most %1 methods.").arg(kMaxCompareMethods));
    const JobState& s = session_.state();
    if (s.jobName == kStartUpJobName || s.jobName == kNewJobName ||
        !QFileInfo(s.jobPath()).isFile())
        return warn(QStringLiteral("Save the job first: the compare runs the job file on disk."));
    if (s.formChanged)
        return warn(QStringLiteral("The form has changes that are not saved; save the job first."));
    QString error;
    setup_ = prepareCompare(s.jobPath(), &error);
    if (!setup_) return warn(error);
    setup_->modern = modern_;
    if (!runner_.ready(&error)) return warn(error);
    cancel_ = false;
    results_.clear();
    run_->setEnabled(false);
    stop_->setEnabled(true);
    export_->setEnabled(false);
    status_->setText(QStringLiteral("Running %1 methods ...").arg(methods.size()));
    worker_ = std::make_unique<std::thread>([this, methods] {
        std::atomic<int> finished{0};
        const auto total = methods.size();
        auto results = runner_.run(*setup_, methods, cancel_, 0, [&](const CompareResult&) {
            const int k = ++finished;
            QMetaObject::invokeMethod(
                this,
                [this, k, total] {
                    if (worker_)
                        status_->setText(
                            QStringLiteral("Running: %1 of %2 methods done ...").arg(k).arg(total));
                },
                Qt::QueuedConnection);
        });
        QMetaObject::invokeMethod(
            this,
            [this, r = std::move(results)]() mutable {
                results_ = std::move(r);
                runsEnded();
            },
            Qt::QueuedConnection);
    });
    return true;
}

void ComparePanel::cancel() {
    cancel_ = true;
}

void ComparePanel::wait() {
    if (!worker_) return;
    worker_->join();
    worker_.reset();
    // The queued hand-over has not run yet: deliver it now.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void ComparePanel::runsEnded() {
    if (worker_) {
        worker_->join();
        worker_.reset();
    }
    run_->setEnabled(true);
    stop_->setEnabled(false);
    QString error;
    const bool saved = writeCompareReports(setup_->jobPath, results_, &error);
    // The table: two columns per method (frequency, level), a row per rank, then the status.
    table_->clear();
    table_->setColumnCount(static_cast<int>(2 * results_.size()));
    table_->setRowCount(kComparePeaks + 2);
    QStringList headers;
    for (const CompareResult& r : results_)
        headers << r.name + QStringLiteral(" freq.") << QStringLiteral("dB");
    table_->setHorizontalHeaderLabels(headers);
    QStringList rows;
    for (int k = 1; k <= kComparePeaks; ++k) rows << QStringLiteral("Peak %1").arg(k);
    rows << QStringLiteral("Settings") << QStringLiteral("Status");
    table_->setVerticalHeaderLabels(rows);
    for (std::size_t c = 0; c < results_.size(); ++c) {
        const CompareResult& r = results_[c];
        const int col = static_cast<int>(2 * c);
        const auto peaks = r.topPeaks();
        for (std::size_t k = 0; k < peaks.size(); ++k) {
            table_->setItem(static_cast<int>(k), col,
                            new QTableWidgetItem(QString::number(peaks[k].first, 'g', 6)));
            table_->setItem(static_cast<int>(k), col + 1,
                            new QTableWidgetItem(QString::number(peaks[k].second, 'f', 2)));
        }
        QString settings = r.settings;
        if (!r.defaulted.isEmpty())
            settings += QStringLiteral(" (defaults: ") + r.defaulted.join(u' ') + u')';
        for (const auto& [row, text] : {std::pair{kComparePeaks, settings},
                                        std::pair{kComparePeaks + 1, compareStatusText(r)}}) {
            auto* item = new QTableWidgetItem(text);
            item->setToolTip(text);
            table_->setItem(row, col, item);
        }
    }
    table_->resizeColumnsToContents();
    // Long settings and failure texts stay in their tool tips, not in the column widths.
    for (int c = 0; c < table_->columnCount(); ++c)
        table_->setColumnWidth(c, std::min(table_->columnWidth(c), 170));
    int ok = 0;
    for (const CompareResult& r : results_) ok += r.ok() ? 1 : 0;
    QString text = QStringLiteral("%1 of %2 methods gave a spectrum.").arg(ok).arg(results_.size());
    text +=
        saved
            ? QStringLiteral(" Reports: %1.<method>.out").arg(QFileInfo(setup_->jobPath).fileName())
            : QStringLiteral(" ") + error;
    status_->setText(text);
    export_->setEnabled(ok > 0);
    redraw();
    emit finished();
}

void ComparePanel::redraw() {
    if (!setup_ || results_.empty()) return;
    if (setup_->modern) {
        std::vector<plot::ModernCurve> curves = compareModernCurves(results_);
        if (curves.empty()) {
            canvas_->image().fill(Qt::white);
            view_->setHasPlot(false);
            return;
        }
        const plot::ModernCurve live = curves.back();
        curves.pop_back();
        {
            QPainter p(&canvas_->image());
            plot::drawModernPlot(
                p, QSizeF(canvas_->size()), live, curves,
                QStringLiteral("Compare of %1 methods \u00b7 %2 \u00b7 modern profile")
                    .arg(curves.size() + 1)
                    .arg(QFileInfo(setup_->jobPath).fileName()),
                QColor());
        }
        view_->setHasPlot(true);
        view_->canvasChanged();
        return;
    }
    const CompareOverlay o = compareOverlay(*setup_, results_);
    if (!o.live) {
        canvas_->image().fill(Qt::white);
        view_->setHasPlot(false);
        return;
    }
    plot::DrawExtras extras;
    extras.held = &o.held;
    plot::OutputText out;
    Qt::PenStyle style = canvas_->lineStyle();
    {
        QPainter p(&canvas_->image());
        plot::drawPlot(p, QSizeF(canvas_->size()), style, *o.live, plot::PlotOptions{}, out, {},
                       extras);
    }
    view_->setHasPlot(true);
    view_->canvasChanged();
}

void ComparePanel::exportPeaks() {
    FileDialogRequest request;
    request.title = QStringLiteral("Export peaks");
    request.filter = QStringLiteral("CSV files (*.csv)|*.csv");
    request.initialDir = QFileInfo(setup_->jobPath).absolutePath();
    request.suggestedName = QFileInfo(setup_->jobPath).fileName() + QStringLiteral(".peaks.csv");
    const QString path = session_.ui().saveFileName(request);
    if (path.isEmpty()) return;
    QString error;
    if (!writeFileAtomically(path, comparePeaksCsv(results_), &error))
        session_.ui().message({QStringLiteral("%1 cannot be written: %2").arg(path, error),
                               QStringLiteral("Export peaks"), MessageIcon::Warning,
                               MessageButtons::Ok});
}

void ComparePanel::closeEvent(QCloseEvent* event) {
    cancel();
    wait();
    QDialog::closeEvent(event);
}

} // namespace lumetra
