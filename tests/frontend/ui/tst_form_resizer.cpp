// The resizing rule applied to a real widget tree (not shown; offscreen platform).
#include "form_resizer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtTest>

using namespace lumetra;

namespace {

struct Snapshot {
    QRect geometry;
    qreal pointSize;
};

// The main form at its design size of 11000 x 8900 twips.
const QSize kDesign(917, 742);

struct Form {
    QWidget root;
    Form() {
        root.resize(kDesign);
        auto* label = new QLabel("Data file", &root);
        label->setObjectName("lblData");
        label->setGeometry(10, 90, 300, 22);
        auto* edit = new QLineEdit(&root);
        edit->setObjectName("timeData");
        edit->setGeometry(320, 90, 200, 22);
        auto* combo = new QComboBox(&root);
        combo->setObjectName("Methods");
        combo->setEditable(true); // has an inner line edit of its own
        combo->setGeometry(320, 130, 200, 26);
        auto* frame = new QGroupBox("Data type", &root);
        frame->setObjectName("fraDataType");
        frame->setGeometry(10, 170, 300, 80);
        auto* real = new QRadioButton("Real", frame);
        real->setObjectName("optReal");
        real->setGeometry(10, 25, 100, 22);
        auto* line = new QFrame(&root);
        line->setObjectName("linSeparator");
        line->setFrameShape(QFrame::HLine);
        line->setGeometry(10, 260, 500, 3);
        auto* scroll = new QScrollBar(Qt::Horizontal, &root);
        scroll->setObjectName("hsbZoom");
        scroll->setGeometry(10, 280, 300, 17);
        auto* tabs = new QTabWidget(&root);
        tabs->setObjectName("Plot_Tabs");
        tabs->setGeometry(10, 320, 880, 380);
        auto* page = new QWidget;
        page->setObjectName("pageDemos");
        tabs->addTab(page, "Demos");
        auto* check = new QCheckBox("Grid", page);
        check->setObjectName("chkGrid");
        check->setGeometry(20, 20, 120, 22);
        auto* canvas = new QWidget(page);
        canvas->setObjectName("picPlot");
        canvas->setProperty(kResizeTypeProperty, "PictureBox");
        canvas->setGeometry(150, 20, 400, 250);
        auto* box = new QWidget(&root);
        box->setObjectName("panel");
        box->setGeometry(600, 90, 250, 80);
        auto* managed = new QPushButton("Calculate", box);
        managed->setObjectName("cmdSubmit");
        auto* layout = new QVBoxLayout(box);
        layout->addWidget(managed);
        layout->activate();
    }
    QWidget* w(const char* name) { return root.findChild<QWidget*>(name); }
};

QMap<QString, Snapshot> snapshot(QWidget& root, const QList<QWidget*>& controls) {
    QMap<QString, Snapshot> s;
    for (QWidget* w : controls) s[w->objectName()] = {w->geometry(), w->font().pointSizeF()};
    Q_UNUSED(root);
    return s;
}

void compareSnapshots(const QMap<QString, Snapshot>& got, const QMap<QString, Snapshot>& want) {
    QCOMPARE(got.keys(), want.keys());
    for (auto it = want.begin(); it != want.end(); ++it) {
        QCOMPARE(got[it.key()].geometry, it->geometry);
        QVERIFY2(qAbs(got[it.key()].pointSize - it->pointSize) < 1e-3, qPrintable(it.key()));
    }
}

} // namespace

class TestFormResizer : public QObject {
    Q_OBJECT
  private slots:
    void controlsInFormOrder() {
        Form f;
        QStringList names;
        for (QWidget* w : FormResizer::controlsOf(&f.root)) names << w->objectName();
        // Depth first; Qt's inner parts (the combo's line edit, the tab bar, the page stack)
        // are not controls, the page and what is on it are.
        QCOMPARE(names, (QStringList{"lblData", "timeData", "Methods", "fraDataType", "optReal",
                                     "linSeparator", "hsbZoom", "Plot_Tabs", "pageDemos", "chkGrid",
                                     "picPlot", "panel", "cmdSubmit"}));
        QCOMPARE(FormResizer::kindOf(f.w("lblData")), ControlKind::Text);
        QCOMPARE(FormResizer::kindOf(f.w("fraDataType")), ControlKind::Text);
        QCOMPARE(FormResizer::kindOf(f.w("linSeparator")), ControlKind::Line);
        QCOMPARE(FormResizer::kindOf(f.w("hsbZoom")), ControlKind::HScrollBar);
        QCOMPARE(FormResizer::kindOf(f.w("Plot_Tabs")), ControlKind::TabControl);
        QCOMPARE(FormResizer::kindOf(f.w("picPlot")), ControlKind::Picture);
        QVERIFY(FormResizer::placedByContainer(f.w("cmdSubmit")));
        QVERIFY(FormResizer::placedByContainer(f.w("pageDemos")));
        QVERIFY(!FormResizer::placedByContainer(f.w("chkGrid")));
    }

    void growsInProportion() {
        Form f;
        FormResizer r(&f.root);
        r.record();
        const qreal labelPoints = f.w("lblData")->font().pointSizeF();
        const int hsbHeight = f.w("hsbZoom")->height();
        const QRect submit = f.w("cmdSubmit")->geometry();
        f.root.resize(kDesign * 2);
        QVERIFY(r.apply());
        QCOMPARE(f.w("lblData")->geometry(), QRect(20, 180, 600, 44));
        QCOMPARE(f.w("optReal")->geometry(), QRect(20, 50, 200, 44)); // inside its frame
        QCOMPARE(f.w("picPlot")->geometry(), QRect(300, 40, 800, 500));
        QCOMPARE(f.w("linSeparator")->geometry(), QRect(20, 520, 1000, 6));
        QCOMPARE(f.w("hsbZoom")->geometry(), QRect(20, 560, 600, hsbHeight));
        // The tab control keeps its place and grows.
        QCOMPARE(f.w("Plot_Tabs")->geometry(), QRect(10, 320, 1760, 760));
        QVERIFY(qAbs(f.w("lblData")->font().pointSizeF() - 2 * labelPoints) < 1e-3);
        // A layout's widget keeps the layout's geometry, but its text follows.
        QCOMPARE(f.w("cmdSubmit")->geometry(), submit);
        QVERIFY(qAbs(f.w("cmdSubmit")->font().pointSizeF() - 2 * labelPoints) < 1e-3);
    }

    void belowTheMinimumNothingMoves() {
        Form f;
        FormResizer r(&f.root);
        r.record();
        const auto before = snapshot(f.root, r.controls());
        f.root.resize(160, 742); // 1920 twips wide
        QVERIFY(!r.apply());
        compareSnapshots(snapshot(f.root, r.controls()), before);
        f.root.resize(917, 120); // 1440 twips high
        QVERIFY(!r.apply());
        compareSnapshots(snapshot(f.root, r.controls()), before);
        // Nothing recorded: nothing applied.
        FormResizer fresh(&f.root);
        f.root.resize(kDesign * 2);
        QVERIFY(!fresh.apply());
        compareSnapshots(snapshot(f.root, r.controls()), before);
    }

    void maximiseRestoreAndManyResizes() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        Form f;
        FormResizer r(&f.root);
        r.record();
        const auto design = snapshot(f.root, r.controls());
        f.root.resize(1920, 1017);
        QVERIFY(r.apply());
        f.root.resize(kDesign);
        QVERIFY(r.apply());
        compareSnapshots(snapshot(f.root, r.controls()), design);
        for (int i = 0; i < 300; ++i) {
            f.root.resize(rng.bounded(100, 2600), rng.bounded(80, 1600));
            r.apply();
        }
        f.root.resize(kDesign);
        QVERIFY(r.apply());
        compareSnapshots(snapshot(f.root, r.controls()), design);
    }

    void deletedControlsArePassedOver() {
        Form f;
        FormResizer r(&f.root);
        r.record();
        delete f.w("timeData");
        f.root.resize(kDesign * 2);
        QVERIFY(r.apply());
        QCOMPARE(f.w("lblData")->geometry(), QRect(20, 180, 600, 44));
        QCOMPARE(r.controls().count(nullptr), 1);
    }
};

QTEST_MAIN(TestFormResizer)
#include "tst_form_resizer.moc"
