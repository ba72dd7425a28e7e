// Stored plot options, the states around a plot, and the bitmap name rules.
#include "plot_options.h"
#include "plot_output.h"
#include "plot_registry.h"
#include "plot_states.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using namespace lumetra::plot;

namespace {

const QString kKey = kPlotSettingsKey;

PlotOptions customOptions() {
    PlotOptions o;
    o.colors = {0x101010, 0x202020, 0x303030, 0x404040, 0x505050, 0x606060};
    o.gridLines = 3;
    o.gridType = 1;
    o.xOverride = {true, "0.1", "0.02"};
    o.yOverride = {true, "-60", "10"};
    return o;
}

} // namespace

class TestPlotOptions : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void missingKeyGivesDefaults();
    void saveLoadRoundTrip();
    void blackAndWhiteKeepsStoredColors();
    void titlesMissingOrBlack_data();
    void titlesMissingOrBlack();
    void gridValues_data();
    void gridValues();
    void unreadableValues();
    void startupGrid();
    void penColors();
    void gridStyles_data();
    void gridStyles();
    void statesTable_data();
    void statesTable();
    void statesSequence();
    void colorControls();
    void overrideCheckFillsEmptyBoxes();
    void bitmapSuggestion_data();
    void bitmapSuggestion();
    void bitmapTarget_data();
    void bitmapTarget();
    void bitmapDialog();
    void registryStore();

  private:
    QTemporaryDir* dir_ = nullptr;
    QSettings* settings_ = nullptr;
};

void TestPlotOptions::init() {
    dir_ = new QTemporaryDir;
    settings_ = new QSettings(dir_->filePath("Lumetra.conf"), QSettings::IniFormat);
}

void TestPlotOptions::cleanup() {
    delete settings_;
    delete dir_;
}

void TestPlotOptions::missingKeyGivesDefaults() {
    PlotOptions o = customOptions();
    o.blackAndWhite = true;
    loadPlotOptions(*settings_, o);
    QCOMPARE(o.colors, kDefaultColors);
    QCOMPARE(o.xOverride.enabled, false);
    QCOMPARE(o.yOverride.enabled, false);
    QVERIFY(o.xOverride.minText.isEmpty() && o.xOverride.stepText.isEmpty());
    QVERIFY(o.yOverride.minText.isEmpty() && o.yOverride.stepText.isEmpty());
    QCOMPARE(o.blackAndWhite, true); // keeps what the form holds
    QCOMPARE(o.gridLines, 3);        // grid choices untouched
}

void TestPlotOptions::saveLoadRoundTrip() {
    const PlotOptions saved = customOptions();
    savePlotOptions(*settings_, saved);
    settings_->sync();
    QSettings reread(settings_->fileName(), QSettings::IniFormat);
    PlotOptions o;
    loadPlotOptions(reread, o);
    QCOMPARE(o.colors, saved.colors);
    QCOMPARE(o.gridLines, 3);
    QCOMPARE(o.gridType, 1);
    QCOMPARE(o.xOverride.enabled, true);
    QCOMPARE(o.xOverride.minText, QString("0.1"));
    QCOMPARE(o.xOverride.stepText, QString("0.02"));
    QCOMPARE(o.yOverride.minText, QString("-60"));
    QCOMPARE(o.yOverride.stepText, QString("10"));
    QCOMPARE(reread.value(kKey + "/Titles").toInt(), 0x202020);
    QCOMPARE(reread.value(kKey + "/BlacknWhite").toInt(), 0);
}

void TestPlotOptions::blackAndWhiteKeepsStoredColors() {
    savePlotOptions(*settings_, customOptions());
    PlotOptions bw; // default colours on the form
    bw.blackAndWhite = true;
    savePlotOptions(*settings_, bw);
    PlotOptions o;
    loadPlotOptions(*settings_, o);
    QCOMPARE(o.blackAndWhite, true);
    QCOMPARE(o.colors, customOptions().colors);
}

void TestPlotOptions::titlesMissingOrBlack_data() {
    QTest::addColumn<QVariant>("titles");
    QTest::newRow("no Titles value") << QVariant();
    QTest::newRow("black titles") << QVariant(0);
    QTest::newRow("unreadable titles") << QVariant("red");
}

void TestPlotOptions::titlesMissingOrBlack() {
    QFETCH(QVariant, titles);
    settings_->setValue(kKey + "/BlacknWhite", 1);
    settings_->setValue(kKey + "/Axes", 0x111111);
    settings_->setValue(kKey + "/Curve1", 0x222222);
    if (titles.isValid()) settings_->setValue(kKey + "/Titles", titles);
    PlotOptions o = customOptions();
    loadPlotOptions(*settings_, o);
    QCOMPARE(o.colors, customOptions().colors); // swatches keep their colours
    QCOMPARE(o.blackAndWhite, true);
}

void TestPlotOptions::gridValues_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("expected");
    QTest::newRow("in range") << QVariant(2) << 2;
    QTest::newRow("zero") << QVariant(0) << 0;
    QTest::newRow("above range leaves it") << QVariant(4) << 3;
    QTest::newRow("negative leaves it") << QVariant(-1) << 3;
    QTest::newRow("missing selects first") << QVariant() << 0;
    QTest::newRow("unreadable selects first") << QVariant("dotted") << 0;
}

void TestPlotOptions::gridValues() {
    QFETCH(QVariant, stored);
    QFETCH(int, expected);
    settings_->setValue(kKey + "/BlacknWhite", 0);
    if (stored.isValid()) {
        settings_->setValue(kKey + "/GridType", stored);
        settings_->setValue(kKey + "/GridLines", stored);
    }
    PlotOptions o;
    o.gridType = 3;
    o.gridLines = 3;
    loadPlotOptions(*settings_, o);
    QCOMPARE(o.gridType, expected);
    QCOMPARE(o.gridLines, expected);
}

void TestPlotOptions::unreadableValues() {
    settings_->setValue(kKey + "/chkXaxis", "yes");
    settings_->setValue(kKey + "/txtXmin", QStringList{"a", "b"});
    PlotOptions o = customOptions();
    loadPlotOptions(*settings_, o);
    QCOMPARE(o.xOverride.enabled, false);
    QCOMPARE(o.xOverride.minText, QString());
    QCOMPARE(o.xOverride.stepText, QString());
    QCOMPARE(o.yOverride.enabled, false);
    QCOMPARE(o.blackAndWhite, false);
}

void TestPlotOptions::startupGrid() {
    PlotOptions saved = customOptions(); // grid 3 / 1 saved
    savePlotOptions(*settings_, saved);
    PlotOptions o;
    restorePlotOptionsAtStartup(*settings_, o);
    QCOMPARE(o.gridLines, 1);
    QCOMPARE(o.gridType, 2);
    QCOMPARE(o.xOverride.enabled, true); // as stored
    QCOMPARE(o.colors, saved.colors);
}

void TestPlotOptions::penColors() {
    PlotOptions o;
    QCOMPARE(o.penColor(Titles), QColor(255, 0, 128));
    QCOMPARE(o.penColor(MiscInfo), QColor(128, 0, 0));
    QCOMPARE(o.penColor(Curve1), QColor(0, 0, 255));
    QCOMPARE(o.backgroundColor(), QColor(192, 192, 192));
    QCOMPARE(bgrFromColor(colorFromBgr(0x8000FF)), 0x8000FFu);
    o.blackAndWhite = true;
    for (int s = 0; s < kColorSlotCount; ++s) QCOMPARE(o.penColor(ColorSlot(s)), QColor(Qt::black));
    QCOMPARE(o.backgroundColor(), QColor(Qt::white));
}

void TestPlotOptions::gridStyles_data() {
    QTest::addColumn<int>("lines");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("vertical");
    QTest::addColumn<int>("horizontal");
    QTest::newRow("no grid") << 0 << 1 << int(Qt::NoPen) << int(Qt::NoPen);
    QTest::newRow("both solid") << 1 << 0 << int(Qt::SolidLine) << int(Qt::SolidLine);
    QTest::newRow("x only dashed") << 2 << 1 << int(Qt::DashLine) << int(Qt::NoPen);
    QTest::newRow("y only dotted") << 3 << 2 << int(Qt::NoPen) << int(Qt::DotLine);
    QTest::newRow("dash-dot-dot") << 1 << 3 << int(Qt::DashDotDotLine) << int(Qt::DashDotDotLine);
    QTest::newRow("no type selected") << 1 << -1 << int(Qt::SolidLine) << int(Qt::SolidLine);
    QTest::newRow("no lines selected") << -1 << 2 << int(Qt::NoPen) << int(Qt::NoPen);
}

void TestPlotOptions::gridStyles() {
    QFETCH(int, lines);
    QFETCH(int, type);
    QFETCH(int, vertical);
    QFETCH(int, horizontal);
    PlotOptions o;
    o.gridLines = lines;
    o.gridType = type;
    QCOMPARE(int(o.verticalGridStyle()), vertical);
    QCOMPARE(int(o.horizontalGridStyle()), horizontal);
}

void TestPlotOptions::statesTable_data() {
    QTest::addColumn<int>("event");
    QTest::addColumn<bool>("runButtons");
    QTest::addColumn<bool>("plotSetup");
    QTest::addColumn<bool>("menus");
    QTest::addColumn<QList<bool>>("tabs");
    QTest::addColumn<int>("shown");
    QTest::addColumn<int>("focus");
    // Starting from everything on and the Demos tab shown.
    QTest::newRow("startPlot") << int(PlotEvent::StartPlot) << false << false << false
                               << QList<bool>{false, false, true, true, true} << 4
                               << int(FocusTarget::Quit);
    QTest::newRow("Quit") << int(PlotEvent::Quit) << true << true << false
                          << QList<bool>{false, false, true, true, true} << 2
                          << int(FocusTarget::ExitPlotting);
    QTest::newRow("Exit Plotting")
        << int(PlotEvent::ExitPlotting) << true << false << true
        << QList<bool>{true, true, false, true, true} << 0 << int(FocusTarget::None);
    QTest::newRow("startSetup") << int(PlotEvent::StartSetup) << true << true << false
                                << QList<bool>{true, true, true, true, true} << 1
                                << int(FocusTarget::None);
}

void TestPlotOptions::statesTable() {
    QFETCH(int, event);
    QFETCH(bool, runButtons);
    QFETCH(bool, plotSetup);
    QFETCH(bool, menus);
    QFETCH(QList<bool>, tabs);
    QFETCH(int, shown);
    QFETCH(int, focus);
    PlotUiState s;
    s.currentTab = PlotTab::Demos;
    applyPlotEvent(s, PlotEvent(event), PlotOptions{});
    QCOMPARE(s.runButtonsEnabled, runButtons);
    QCOMPARE(s.plotSetupEnabled, plotSetup);
    QCOMPARE(s.setupButtonsVisible, plotSetup);
    QCOMPARE(s.fileMenuEnabled, menus);
    QCOMPARE(s.demosMenuEnabled, menus);
    QCOMPARE(QList<bool>(s.tabEnabled.begin(), s.tabEnabled.end()), tabs);
    QCOMPARE(int(s.currentTab), shown);
    QCOMPARE(int(s.focus), focus);
}

void TestPlotOptions::statesSequence() {
    // A whole cycle: plot, quit to Setup with the X override on, exit.
    PlotOptions o;
    o.xOverride.enabled = true;
    PlotUiState s;
    s.tabEnabled[1] = false; // Exit Plotting leaves tab 1 as it finds it
    applyPlotEvent(s, PlotEvent::StartPlot, o);
    QVERIFY(!s.xOverrideBoxesEnabled); // not on the Setup tab
    applyPlotEvent(s, PlotEvent::Quit, o);
    QVERIFY(s.xOverrideBoxesEnabled);
    QVERIFY(!s.yOverrideBoxesEnabled);
    showTab(s, PlotTab::Output, o);
    QVERIFY(!s.xOverrideBoxesEnabled);
    showTab(s, PlotTab::Setup, o);
    QVERIFY(s.xOverrideBoxesEnabled);
    applyPlotEvent(s, PlotEvent::ExitPlotting, o);
    QCOMPARE(s.tabEnabled[0], true);
    QCOMPARE(s.tabEnabled[1], false);
    QCOMPARE(s.tabEnabled[2], false);
    QVERIFY(!s.xOverrideBoxesEnabled);
    QVERIFY(s.runButtonsEnabled);
}

void TestPlotOptions::colorControls() {
    PlotOptions o;
    PlotUiState s;
    setPlotControls(s, true, o);
    QVERIFY(s.colorControlsEnabled && s.colorLabelsEnabled);
    o.blackAndWhite = true;
    setColorControls(s, o);
    QVERIFY(!s.colorControlsEnabled && !s.colorLabelsEnabled);
    o.blackAndWhite = false;
    setPlotControls(s, false, o);
    QVERIFY(!s.colorControlsEnabled);
    QVERIFY(s.colorLabelsEnabled);
}

void TestPlotOptions::overrideCheckFillsEmptyBoxes() {
    PlotScale last; // a plot of 0..0.5 against -50..0 dB
    last.xMin = 0;
    last.xMax = 50.6f;
    last.xFactor = 0.01;
    last.yMin = -50;
    last.yMax = 0.4f;
    PlotOptions o;
    PlotUiState s;
    showTab(s, PlotTab::Setup, o);
    o.xOverride.enabled = true;
    overrideCheckClicked(s, o, last, 'X');
    QVERIFY(s.xOverrideBoxesEnabled);
    QCOMPARE(o.xOverride.minText, QString("0"));
    QCOMPARE(o.xOverride.stepText, QString("0.0506"));
    o.yOverride = {true, "-80", ""};
    overrideCheckClicked(s, o, last, 'Y');
    QCOMPARE(o.yOverride.minText, QString("-80")); // typed text stays
    QCOMPARE(o.yOverride.stepText, QString("10.08"));
    o.yOverride.enabled = false;
    overrideCheckClicked(s, o, last, 'Y');
    QVERIFY(!s.yOverrideBoxesEnabled);
}

void TestPlotOptions::bitmapSuggestion_data() {
    QTest::addColumn<QString>("jobName");
    QTest::addColumn<QString>("suggestion");
    QTest::newRow("extension") << "Ex-Auto.0"
                               << "Ex-Auto.bmp";
    QTest::newRow("two dots") << "run.1.job"
                              << "run.bmp";
    QTest::newRow("no dot") << "myjob"
                            << "myjob.bmp";
    QTest::newRow("leading dot") << ".hidden.0"
                                 << ".hidden.0.bmp";
    QTest::newRow("directory part") << "/home/u/Jobs.d/ex.0"
                                    << "ex.bmp";
    QTest::newRow("backslash directory") << "D:\\jobs\\ex-burg.0"
                                         << "ex-burg.bmp";
    QTest::newRow("empty") << ""
                           << ".bmp";
}

void TestPlotOptions::bitmapSuggestion() {
    QFETCH(QString, jobName);
    QFETCH(QString, suggestion);
    QCOMPARE(suggestedBitmapName(jobName), suggestion);
}

void TestPlotOptions::bitmapTarget_data() {
    QTest::addColumn<QString>("returned");
    QTest::addColumn<QString>("target");
    QTest::newRow("cancelled") << ""
                               << "";
    QTest::newRow("suggestion unchanged") << "Ex-Auto.bmp"
                                          << "";
    QTest::newRow("chosen path") << "/home/u/user/Ex-Auto.bmp"
                                 << "/home/u/user/Ex-Auto.bmp";
    QTest::newRow("other name") << "/tmp/plot1.bmp"
                                << "/tmp/plot1.bmp";
}

void TestPlotOptions::bitmapTarget() {
    QFETCH(QString, returned);
    QFETCH(QString, target);
    const auto t = bitmapSaveTarget(returned, "Ex-Auto.bmp");
    QCOMPARE(t.value_or(QString()), target);
}

void TestPlotOptions::bitmapDialog() {
    const BitmapSaveDialogSetup d = bitmapSaveDialog("Ex-Auto.0", "", "/opt/Lumetra");
    QCOMPARE(d.title, QString("Save Plot File As ..."));
    QCOMPARE(d.filters, QStringList({"All Files (*.*)", "Bitmap (*.bmp)"}));
    QCOMPARE(d.selectedFilter, QString("Bitmap (*.bmp)"));
    QCOMPARE(d.suggestedName, QString("Ex-Auto.bmp"));
    QCOMPARE(d.initialDir, QString("/opt/Lumetra/user"));
    QCOMPARE(bitmapSaveDialog("x", "/data/Plots", "/opt/Lumetra").initialDir,
             QString("/data/Plots"));
    QCOMPARE(dialogDirAfterSave("/data/Plots/Run1/a.bmp"), QString("/data/Plots/Run1"));
    QCOMPARE(replaceQuestionTitle("/data/Plots/A.bmp"), QString("Replace /data/Plots/A.bmp file?"));
    QCOMPARE(kReplaceQuestion, QString("File exists, want to replace it?"));
}

void TestPlotOptions::registryStore() {
    // Through the program's registry store: saving creates the key, values keep their types.
    lumetra::RegistryStore registry(dir_->filePath("registry.ini"));
    RegistryPlotStore store(registry);
    QVERIFY(!store.keyExists());
    PlotOptions o;
    restorePlotOptionsAtStartup(store, o);
    QCOMPARE(o.colors, kDefaultColors);
    savePlotOptions(store, customOptions());
    QVERIFY(registry.keyExists(lumetra::kCurrentUser, "Software\\Tavrenco\\Lumetra"));
    QCOMPARE(registry.getValue(lumetra::kCurrentUser, "Software\\Tavrenco\\Lumetra", "Titles",
                               lumetra::kRegDword),
             QVariant(0x202020));
    QCOMPARE(registry.getValue(lumetra::kCurrentUser, "Software\\Tavrenco\\Lumetra", "txtYmin",
                               lumetra::kRegString),
             QVariant(QString("-60")));
    PlotOptions back;
    loadPlotOptions(store, back);
    QCOMPARE(back.colors, customOptions().colors);
    QCOMPARE(back.yOverride.stepText, QString("10"));
}

QTEST_APPLESS_MAIN(TestPlotOptions)
#include "tst_plot_options.moc"
