// First start: "Lumetra.ini" in the program folder decides between the introduction and the
// main form; a first start (again) checks the run report association.
#include "first_start.h"
#include "settings_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

Q_DECLARE_METATYPE(lumetra::StartRoute)

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFirstStart : public QObject {
    Q_OBJECT
    QTemporaryDir* tmp_ = nullptr;
    QString startDir_;
    QString program() const { return tmp_->filePath("KV-Tools/Lumetra"); }
    QString store() const { return tmp_->filePath("config/classes.ini"); }
    QString command(const ClassStore& s) const {
        return s.readRegString(kClassesRoot, kOutClass + "\\shell\\open\\command", QString(), "");
    }

  private slots:
    void initTestCase() { startDir_ = QDir::currentPath(); }
    void init() {
        delete tmp_;
        tmp_ = new QTemporaryDir;
        // A writable program folder with its "user" folder: everything stays beside it.
        QVERIFY(QDir().mkpath(program() + "/user"));
    }
    void cleanup() { QDir::setCurrent(startDir_); }
    void cleanupTestCase() { delete tmp_; }

    void firstStartShowsIntroductionAndRegisters() {
        ClassStore classes(store());
        const StartDecision d = introLoad(program(), classes);
        QCOMPARE(d.route, StartRoute::Introduction);
        QCOMPARE(d.jobDir, QString("null"));
        QVERIFY(d.associationChecked);
        QVERIFY(d.associationCreated);
        QVERIFY(!d.desktop.has_value());
        QCOMPARE(getAssociation(classes, "Out"), kOutClass);
        QCOMPARE(classes.readRegString(kClassesRoot, kOutClass, QString(), ""),
                 QString("FC Output"));
        QCOMPARE(command(classes), "\"" + program() + "/Lumetra\" --view %1");
        QCOMPARE(QDir::currentPath(), program());
        // The introduction itself creates no settings file: leaving it through Exit means the
        // next start is a first start again.
        QVERIFY(!QFile::exists(d.settingsPath));
        QVERIFY(isFirstStart(program()));
    }

    void laterStartsGoStraightToTheMainForm() {
        QVERIFY(startIni(program()).ok); // what the main form's load writes
        ClassStore classes(store());
        const StartDecision d = introLoad(program(), classes);
        QCOMPARE(d.route, StartRoute::MainForm);
        QVERIFY(!d.associationChecked);
        QVERIFY(!QFile::exists(store())); // not even looked at
    }

    void deletingTheSettingsFileStartsOver() {
        ClassStore classes(store());
        QCOMPARE(introLoad(program(), classes).route, StartRoute::Introduction);
        QVERIFY(startIni(program()).ok);
        QCOMPARE(introLoad(program(), classes).route, StartRoute::MainForm);
        // Meanwhile the user gave ".out" files to an editor of their own.
        QCOMPARE(classes.writeRegString(kClassesRoot, ".Out", QString(), "gedit"), kStatusOk);
        const QByteArray before = contents(store());

        QVERIFY(QFile::remove(settingsFilePath(program())));
        const StartDecision d = introLoad(program(), classes);
        QCOMPARE(d.route, StartRoute::Introduction);
        QVERIFY(d.associationChecked);  // checked again ...
        QVERIFY(!d.associationCreated); // ... and the existing association left as it is
        QCOMPARE(contents(store()), before);
        QCOMPARE(getAssociation(classes, "Out"), QString("gedit"));
    }

    void trailingSlash_data() {
        QTest::addColumn<QString>("suffix");
        QTest::addColumn<bool>("withSettings");
        QTest::addColumn<StartRoute>("route");
        QTest::newRow("plain, first") << "" << false << StartRoute::Introduction;
        QTest::newRow("slash, first") << "/" << false << StartRoute::Introduction;
        QTest::newRow("two slashes, first") << "//" << false << StartRoute::Introduction;
        QTest::newRow("plain, later") << "" << true << StartRoute::MainForm;
        QTest::newRow("slash, later") << "/" << true << StartRoute::MainForm;
        QTest::newRow("dot, later") << "/." << true << StartRoute::MainForm;
    }
    void trailingSlash() {
        QFETCH(QString, suffix);
        QFETCH(bool, withSettings);
        QFETCH(StartRoute, route);
        if (withSettings) QVERIFY(startIni(program()).ok);
        ClassStore classes(store());
        const StartDecision d = introLoad(program() + suffix, classes);
        QCOMPARE(d.route, route);
        QCOMPARE(d.programDir, program());
        QCOMPARE(d.settingsPath, program() + "/Lumetra.ini");
        if (route == StartRoute::Introduction)
            QCOMPARE(command(classes), "\"" + program() + "/Lumetra\" --view %1");
    }

    void startedFromElsewhere() {
        QVERIFY(startIni(program()).ok);
        QVERIFY(QDir().mkpath(tmp_->filePath("desktop")));
        QVERIFY(QDir::setCurrent(tmp_->filePath("desktop")));
        ClassStore classes(store());
        QCOMPARE(introLoad(program(), classes).route, StartRoute::MainForm);
        QCOMPARE(QDir::currentPath(), program());
        // A relative program folder is taken against the directory started in.
        QVERIFY(QDir::setCurrent(tmp_->path()));
        const StartDecision d = introLoad("KV-Tools/Lumetra/", classes);
        QCOMPARE(d.programDir, program());
        QCOMPARE(d.route, StartRoute::MainForm);
    }

    void desktopEntryOnlyWhenAsked() {
        ClassStore classes(store());
        DesktopAssociation desktop(tmp_->filePath("data"));
        desktop.setViewer(program() + "/Lumetra", {"--view"});
        desktop.setToolSearchPaths({tmp_->filePath("no-tools")});
        desktop.setExtensionKnown([] { return false; });
        StartDecision d = introLoad(program(), classes, &desktop);
        QCOMPARE(d.desktop, DesktopAssociation::Outcome::Created);
        QVERIFY(QFile::exists(desktop.desktopEntryPath()));
        const QByteArray entry = contents(desktop.desktopEntryPath());
        // Still no settings file (Exit was chosen): the next start checks again and leaves
        // the files alone.
        d = introLoad(program(), classes, &desktop);
        QCOMPARE(d.desktop, DesktopAssociation::Outcome::AlreadyAssociated);
        QCOMPARE(contents(desktop.desktopEntryPath()), entry);
        // Not a first start: the desktop is not asked at all.
        QVERIFY(startIni(program()).ok);
        d = introLoad(program(), classes, &desktop);
        QVERIFY(!d.desktop.has_value());
    }
};

QTEST_GUILESS_MAIN(TestFirstStart)
#include "tst_first_start.moc"
