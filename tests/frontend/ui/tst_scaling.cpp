// At a screen scale of 2 (a 3840 x 2160 screen at 192 dpi) the window's parts grow together:
// a tab, a menu item, a radio button's indicator and a line of the form's text keep the
// proportions they have at scale 1. Each scale needs its own process, so the test starts itself
// once per scale and compares what the two measured.
#include "job_form.h"
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

// Heights in device pixels: tab, menu item, radio indicator, form text line.
QList<double> measure() {
    WindowFixture f;
    if (!f.start()) return {};
    MainWindow& w = *f.window;
    // The same window in logical pixels at both scales: the screen's own size in device pixels
    // is what doubles.
    w.resize(1200, 800);
    w.show();
    if (!QTest::qWaitForWindowExposed(&w)) return {};
    QCoreApplication::processEvents();
    const double dpr = w.devicePixelRatioF();
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
    return {tabs->tabBar()->tabRect(0).height() * dpr, menuItem * dpr, indicator * dpr, text * dpr,
            dpr};
}

} // namespace

class TestScaling : public QObject {
    Q_OBJECT
  private slots:
    void partsScaleTogether() {
        QList<QList<double>> at;
        for (const char* scale : {"1", "2"}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(kMeasureVariable, "1");
            env.insert("QT_SCALE_FACTOR", scale);
            env.insert("QT_QPA_PLATFORM", "offscreen");
            p.setProcessEnvironment(env);
            p.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(p.waitForFinished(60000));
            const QString line = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
            QList<double> v;
            for (const QString& t : line.split(' ', Qt::SkipEmptyParts)) v << t.toDouble();
            QVERIFY2(v.size() == 5, qPrintable(line + QString::fromUtf8(p.readAllStandardError())));
            at << v;
            qInfo("scale %s: tab %.0f, menu item %.0f, radio %.0f, text %.0f px (ratio %.2f)",
                  scale, v[0], v[1], v[2], v[3], v[4]);
        }
        QCOMPARE(at[1][4], 2.0);
        // Each part against the text line keeps its proportion within 25 %, and each grows.
        const char* names[] = {"tab", "menu item", "radio indicator"};
        for (int k = 0; k < 3; ++k) {
            const double r1 = at[0][k] / at[0][3], r2 = at[1][k] / at[1][3];
            QVERIFY2(r2 / r1 <= 1.25 && r1 / r2 <= 1.25,
                     qPrintable(QString("%1: %2 vs %3").arg(names[k]).arg(r1).arg(r2)));
            QVERIFY2(at[1][k] >= 1.6 * at[0][k], names[k]);
        }
        QVERIFY(at[1][3] >= 1.6 * at[0][3]);
    }
};

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsSet(kMeasureVariable)) {
        QApplication app(argc, argv);
        const QList<double> v = measure();
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
