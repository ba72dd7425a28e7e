// The proportional resizing rule on plain control states, in twips as the forms were designed.
#include "proportional_resize.h"

#include <QRandomGenerator>
#include <QtTest>
#include <cmath>

using namespace lumetra;

Q_DECLARE_METATYPE(lumetra::ControlKind)

namespace {

const QSizeF kDesign(11000, 8900);

ControlState text(double left, double top, double w, double h, double size) {
    ControlState s;
    s.kind = ControlKind::Text;
    s.left = left;
    s.top = top;
    s.width = w;
    s.height = h;
    s.textSize = size;
    return s;
}

// A form with one control of every kind.
std::vector<ControlState> designForm() {
    std::vector<ControlState> c;
    c.push_back(text(240, 600, 2400, 285, 8.25));
    c.push_back(text(3000, 1200, 1935, 315, 9.75));
    ControlState pic;
    pic.kind = ControlKind::Picture;
    pic.left = 120, pic.top = 4000, pic.width = 9000, pic.height = 4200, pic.textSize = 12;
    c.push_back(pic);
    ControlState tab;
    tab.kind = ControlKind::TabControl;
    tab.left = 60, tab.top = 90, tab.width = 10800, tab.height = 8600;
    tab.tabStripHeight = 420, tab.widestTab = 2100, tab.textSize = 8.25;
    c.push_back(tab);
    ControlState hs;
    hs.kind = ControlKind::HScrollBar;
    hs.left = 500, hs.top = 7000, hs.width = 3000, hs.height = 255;
    c.push_back(hs);
    ControlState vs;
    vs.kind = ControlKind::VScrollBar;
    vs.left = 10000, vs.top = 700, vs.width = 255, vs.height = 3000;
    c.push_back(vs);
    ControlState line;
    line.kind = ControlKind::Line;
    line.x1 = 100, line.x2 = 5100, line.y1 = 3300, line.y2 = 3300;
    c.push_back(line);
    ControlState timer;
    timer.kind = ControlKind::Ignored;
    timer.left = 50, timer.top = 60;
    c.push_back(timer);
    ControlState other;
    other.kind = ControlKind::Other;
    other.left = 7000, other.top = 8000, other.width = 480, other.height = 480;
    c.push_back(other);
    // A control of a hidden tab page, parked far to the left.
    c.push_back(text(1500 - 75000, 2000, 1200, 285, 8.25));
    return c;
}

// What the form shows: positions to whole units, text sizes as set.
void compareLaidOut(const std::vector<ControlState>& got, const std::vector<ControlState>& want) {
    QCOMPARE(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const ControlState& g = got[i];
        const ControlState& w = want[i];
        const QString where = QStringLiteral("control %1").arg(i);
        for (auto [a, b] : {std::pair{g.left, w.left},
                            {g.top, w.top},
                            {g.width, w.width},
                            {g.height, w.height},
                            {g.x1, w.x1},
                            {g.x2, w.x2},
                            {g.y1, w.y1},
                            {g.y2, w.y2},
                            {g.tabStripHeight, w.tabStripHeight},
                            {g.widestTab, w.widestTab}})
            QVERIFY2(std::lround(a) == std::lround(b), qPrintable(where));
        QVERIFY2(std::abs(g.textSize - w.textSize) < 1e-4, qPrintable(where));
    }
}

} // namespace

class TestProportionalResize : public QObject {
    Q_OBJECT
  private slots:
    void fractionsOfTheInnerArea() {
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        QVERIFY(r.recorded());
        QCOMPARE(r.tableA()[0], float(600.0 / 8900));
        QCOMPARE(r.tableB()[0], float(240.0 / 11000));
        QCOMPARE(r.tableC()[0], float(2400.0 / 11000));
        QCOMPARE(r.tableD()[0], float(285.0 / 8900));
        QCOMPARE(r.tableE()[0], float(8.25 / 8900));
        // Picture box: no text size.
        QCOMPARE(r.tableE()[2], 0.0f);
        // Tab control: strip height and widest tab instead of top and left.
        QCOMPARE(r.tableA()[3], float(420.0 / 8900));
        QCOMPARE(r.tableB()[3], float(2100.0 / 11000));
        // Vertical scroll bar: its height in table C.
        QCOMPARE(r.tableC()[5], float(3000.0 / 8900));
        // Line: x1, x2 against the width, y1, y2 against the height.
        QCOMPARE(r.tableA()[6], float(100.0 / 11000));
        QCOMPARE(r.tableB()[6], float(5100.0 / 11000));
        QCOMPARE(r.tableC()[6], float(3300.0 / 8900));
        // Parked: recorded with 75000 added to its left.
        QCOMPARE(r.tableB()[9], float(1500.0 / 11000));
    }

    void belowTheMinimumNothingMoves_data() {
        QTest::addColumn<QSizeF>("inner");
        QTest::addColumn<bool>("moves");
        QTest::newRow("1999 wide") << QSizeF(1999, 8000) << false;
        QTest::newRow("1499 high") << QSizeF(9000, 1499) << false;
        QTest::newRow("tiny") << QSizeF(300, 200) << false;
        QTest::newRow("empty") << QSizeF(0, 0) << false;
        QTest::newRow("exactly 2000 x 1500") << QSizeF(2000, 1500) << true;
    }
    void belowTheMinimumNothingMoves() {
        QFETCH(QSizeF, inner);
        QFETCH(bool, moves);
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        QCOMPARE(r.canApply(inner), moves);
        const auto out = r.apply(inner, form);
        if (!moves) {
            compareLaidOut(out, form);
        } else {
            QCOMPARE(std::lround(out[0].top), std::lround(600.0 / 8900 * 1500));
            QCOMPARE(std::lround(out[0].left), std::lround(240.0 / 11000 * 2000));
        }
    }

    void eachKindKeepsWhatItDoesNotTakePartWith() {
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        const QSizeF big(22000, 17800);
        const auto out = r.apply(big, form);
        // Text: everything doubles.
        QCOMPARE(std::lround(out[0].width), 4800L);
        QVERIFY(std::abs(out[0].textSize - 16.5) < 1e-4);
        // Picture: geometry doubles, its text size stays.
        QCOMPARE(std::lround(out[2].height), 8400L);
        QCOMPARE(out[2].textSize, 12.0);
        // Tab control: stays where it is, strip and size double.
        QCOMPARE(out[3].left, 60.0);
        QCOMPARE(out[3].top, 90.0);
        QCOMPARE(std::lround(out[3].tabStripHeight), 840L);
        QCOMPARE(std::lround(out[3].widestTab), 4200L);
        QCOMPARE(std::lround(out[3].height), 17200L);
        // Scroll bars keep their thickness.
        QCOMPARE(out[4].height, 255.0);
        QCOMPARE(std::lround(out[4].width), 6000L);
        QCOMPARE(out[5].width, 255.0);
        QCOMPARE(std::lround(out[5].height), 6000L);
        // Line end points.
        QCOMPARE(std::lround(out[6].x2), 10200L);
        QCOMPARE(std::lround(out[6].y1), 6600L);
        // Ignored and other controls.
        QCOMPARE(out[7].left, 50.0);
        QCOMPARE(out[7].top, 60.0);
        QCOMPARE(std::lround(out[8].left), 14000L);
        QCOMPARE(out[8].width, 480.0);
    }

    // On top of the platform's density scaling: places and sizes follow the inner area at any
    // size, text sizes stay as the platform set them.
    void textLeftToThePlatform_data() {
        QTest::addColumn<QSizeF>("inner");
        QTest::newRow("twice the design") << QSizeF(22000, 17800);
        QTest::newRow("4K at 96 dpi") << QSizeF(3840 * 12.0, 2100 * 12.0);
        QTest::newRow("800x600") << QSizeF(800 * 12.0, 540 * 12.0);
        QTest::newRow("wide and low") << QSizeF(30000, 4000);
    }
    void textLeftToThePlatform() {
        QFETCH(QSizeF, inner);
        ResizeControls::Units units = ResizeControls::twips();
        units.textFollowsHeight = false;
        ResizeControls r(units), plain(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        plain.record(kDesign, form);
        const auto out = r.apply(inner, form);
        const auto both = plain.apply(inner, form);
        QCOMPARE(out.size(), form.size());
        for (std::size_t i = 0; i < form.size(); ++i) {
            QCOMPARE(out[i].textSize, form[i].textSize);
            // Everything else as the plain rule places it.
            ControlState g = both[i];
            g.textSize = form[i].textSize;
            QCOMPARE(out[i].left, g.left);
            QCOMPARE(out[i].top, g.top);
            QCOMPARE(out[i].width, g.width);
            QCOMPARE(out[i].height, g.height);
            QCOMPARE(out[i].tabStripHeight, g.tabStripHeight);
            QCOMPARE(out[i].x2, g.x2);
        }
        // The plain rule's text does follow the height: the two differ.
        QVERIFY(std::abs(both[0].textSize - 8.25 * inner.height() / kDesign.height()) < 1e-3);
    }

    void parkedControlsLandOnTheirPage() {
        ResizeControls r(ResizeControls::twips());
        auto form = designForm();
        r.record(kDesign, form);
        const QSizeF big(22000, 17800);
        // Still parked: the offset comes off the scaled place.
        auto out = r.apply(big, form);
        QCOMPARE(std::lround(out[9].left), std::lround(3000.0 - 75000));
        // Its page is shown now (the tab control moved it back): no offset.
        form[9].left = 1500;
        out = r.apply(big, form);
        QCOMPARE(std::lround(out[9].left), 3000L);
        // Back at the design size, parked again: exactly where it was.
        form[9].left = 1500 - 75000;
        out = r.apply(kDesign, form);
        QCOMPARE(std::lround(out[9].left), std::lround(1500.0 - 75000));
    }

    void maximiseThenRestore() {
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        const auto maximised = r.apply(QSizeF(19200, 14085), form);
        const auto restored = r.apply(kDesign, maximised);
        compareLaidOut(restored, form);
    }

    void manyResizesDoNotDrift() {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator rng(seed);
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(kDesign, form);
        auto state = form;
        for (int i = 0; i < 2000; ++i) {
            const QSizeF inner(rng.bounded(500, 40000), rng.bounded(400, 30000));
            state = r.apply(inner, state);
            // Whole units, as a form keeps them, so rounding could pile up if it were reused.
            for (auto& c : state) {
                c.left = std::lround(c.left), c.top = std::lround(c.top);
                c.width = std::lround(c.width), c.height = std::lround(c.height);
            }
        }
        compareLaidOut(r.apply(kDesign, state), form);
    }

    void emptyAreaRecordsNothing() {
        ResizeControls r(ResizeControls::twips());
        const auto form = designForm();
        r.record(QSizeF(0, 8900), form);
        QVERIFY(!r.recorded());
        compareLaidOut(r.apply(kDesign, form), form);
        // Controls beyond the recorded ones stay as they are.
        r.record(kDesign, {form[0]});
        const auto out = r.apply(QSizeF(22000, 17800), form);
        QCOMPARE(std::lround(out[0].width), 4800L);
        QCOMPARE(out[1].width, form[1].width);
    }

    void typeNames_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<ControlKind>("kind");
        for (const char* t :
             {"CheckBox", "TextBox", "Label", "ListBox", "DriveListBox", "DirListBox",
              "FileListBox", "Frame", "ComboBox", "CommandButton", "OptionButton", "MSHFlexGrid"})
            QTest::newRow(t) << QString(t) << ControlKind::Text;
        QTest::newRow("PictureBox") << "PictureBox" << ControlKind::Picture;
        QTest::newRow("SSTab") << "SSTab" << ControlKind::TabControl;
        QTest::newRow("HScrollBar") << "HScrollBar" << ControlKind::HScrollBar;
        QTest::newRow("VScrollBar") << "VScrollBar" << ControlKind::VScrollBar;
        QTest::newRow("Line") << "Line" << ControlKind::Line;
        for (const char* t : {"CommonDialog", "Timer", "Menu", "ImageList"})
            QTest::newRow(t) << QString(t) << ControlKind::Ignored;
        QTest::newRow("Image") << "Image" << ControlKind::Other;
        QTest::newRow("case matters") << "label" << ControlKind::Other;
    }
    void typeNames() {
        QFETCH(QString, type);
        QFETCH(ControlKind, kind);
        QCOMPARE(controlKindForTypeName(type), kind);
    }
};

QTEST_GUILESS_MAIN(TestProportionalResize)
#include "tst_proportional_resize.moc"
