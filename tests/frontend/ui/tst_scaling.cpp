// At a screen scale of 2 (a 3840 x 2160 screen at 192 dpi) the window's parts grow together:
// a tab, a menu item, a radio button's indicator, a line of the form's text and of the Setup
// page's text keep the proportions they have at scale 1, and the proportional resize of the
// main form keeps them at every window size, from 800 x 600 to 3840 x 2160. Each scale needs
// its own process, so the test starts itself once per row and compares what they measured.
#include "job_form.h"
#include "plot_controller.h"
#include "program_start.h"
#include "setup_page.h"
#include "window_fixture.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QtTest>

using namespace lumetra;
using lumetra::test::WindowFixture;

namespace {

const char* kMeasureVariable = "LUMETRA_MEASURE_SCALE";
const char* const kParts[] = {"tab", "menu item", "radio indicator", "form text", "Setup text"};
constexpr int kPartCount = 5;

// Heights in device pixels: tab, menu item, radio indicator, form text line, Setup text line;
// then the device pixel ratio. `device`: the window's size in device pixels, as a screen of
// that size shows it.
QList<double> measure(QSize device) {
    WindowFixture f;
    if (!f.start()) return {};
    MainWindow& w = *f.window;
    // As the program starts: the proportions recorded at the design size, applied on resize.
    auto* resizer = new MainFormResizer(w);
    resizer->record();
    const double dpr = w.devicePixelRatioF();
    w.resize(QSize(qRound(device.width() / dpr), qRound(device.height() / dpr)));
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return {};
    QCoreApplication::processEvents();
    auto* tabs = w.findChild<QTabWidget*>();
    QMenu* file = w.menu(QStringLiteral("mnuFile"));
    file->popup(QPoint(0, 0));
    QCoreApplication::processEvents();
    const double menuItem = file->actionGeometry(file->actions().first()).height();
    file->hide();
    auto* radio = w.jobForm()->findChild<QRadioButton*>(QStringLiteral("optReal"));
    const double indicator =
        radio->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight, nullptr, radio);
    auto* label = w.jobForm()->findChild<QLabel*>();
    const double text = QFontMetricsF(label->font()).height();
    auto* setupLabel = w.plotController()->setupPage()->findChild<QLabel*>();
    const double setupText = QFontMetricsF(setupLabel->font()).height();
    return {tabs->tabBar()->tabRect(0).height() * dpr,
            menuItem * dpr,
            indicator * dpr,
            text * dpr,
            setupText * dpr,
            dpr};
}

QList<double> measureInProcess(QSize device, const char* scale, QString* error) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kMeasureVariable, QStringLiteral("%1x%2").arg(device.width()).arg(device.height()));
    env.insert("QT_SCALE_FACTOR", scale);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(QCoreApplication::applicationFilePath(), {});
    if (!p.waitForFinished(60000)) {
        *error = QStringLiteral("the measuring process did not end");
        return {};
    }
    const QString line = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    QList<double> v;
    for (const QString& t : line.split(' ', Qt::SkipEmptyParts)) v << t.toDouble();
    if (v.size() != kPartCount + 1) {
        *error = line + QString::fromUtf8(p.readAllStandardError());
        return {};
    }
    qInfo("%dx%d at scale %s: tab %.0f, menu item %.0f, radio %.0f, form text %.0f, Setup text "
          "%.0f px (ratio %.2f)",
          device.width(), device.height(), scale, v[0], v[1], v[2], v[3], v[4], v[5]);
    return v;
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT
    QList<double> reference_; // 1200 x 800 at scale 1

    // Each part against the form's text line keeps its proportion at scale 1 within 25 %.
    void compareWithReference(const QList<double>& v) {
        for (int k = 0; k < kPartCount; ++k) {
            if (k == 3) continue;
            const double r1 = reference_[k] / reference_[3], r2 = v[k] / v[3];
            QVERIFY2(r2 / r1 <= 1.25 && r1 / r2 <= 1.25,
                     qPrintable(QString("%1: %2 vs %3").arg(kParts[k]).arg(r1).arg(r2)));
        }
    }

  private slots:
    void initTestCase() {
        QString error;
        reference_ = measureInProcess(QSize(1200, 800), "1", &error);
        QVERIFY2(!reference_.isEmpty(), qPrintable(error));
        QCOMPARE(reference_[kPartCount], 1.0);
    }

    void partsScaleTogether() {
        // The same window in logical pixels at both scales: the device pixels double.
        QString error;
        const QList<double> at2 = measureInProcess(QSize(2400, 1600), "2", &error);
        QVERIFY2(!at2.isEmpty(), qPrintable(error));
        QCOMPARE(at2[kPartCount], 2.0);
        compareWithReference(at2);
        // And each grows.
        for (int k = 0; k < kPartCount; ++k) QVERIFY2(at2[k] >= 1.6 * reference_[k], kParts[k]);
    }

    // The proportional resize works on top of the scaling: at any window size, small or large,
    // at either scale, the parts keep the proportions they have at scale 1.
    void proportionsAtEveryWindowSize_data() {
        QTest::addColumn<QSize>("device");
        QTest::addColumn<QString>("scale");
        for (const QString scale : {"1", "2"})
            for (const QSize s : {QSize(800, 600), QSize(3840, 2160)})
                QTest::newRow(
                    qPrintable(QString("%1x%2 at %3").arg(s.width()).arg(s.height()).arg(scale)))
                    << s << scale;
    }
    void proportionsAtEveryWindowSize() {
        QFETCH(QSize, device);
        QFETCH(QString, scale);
        QString error;
        const QList<double> v = measureInProcess(device, qPrintable(scale), &error);
        QVERIFY2(!v.isEmpty(), qPrintable(error));
        QCOMPARE(v[kPartCount], scale.toDouble());
        compareWithReference(v);
        // The Setup page's text reads the same at every window size of one scale.
        QVERIFY2(std::abs(v[4] / v[kPartCount] - reference_[4]) < 0.5,
                 qPrintable(QString("%1 vs %2").arg(v[4] / v[kPartCount]).arg(reference_[4])));
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kMeasureVariable)) {
        QApplication app(argc, argv);
        const QStringList wh = qEnvironmentVariable(kMeasureVariable).split('x');
        const QList<double> v =
            wh.size() == 2 ? measure(QSize(wh[0].toInt(), wh[1].toInt())) : QList<double>{};
        QStringList out;
        for (double d : v) out << QString::number(d);
        std::printf("%s\n", qPrintable(out.join(' ')));
        return v.isEmpty() ? 1 : 0;
    }
    QApplication app(argc, argv);
    TestScaling t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_scaling.moc"
