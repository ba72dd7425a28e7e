// The per-user settings store and the remembered job directory.
#include "common_files.h"
#include "registry_store.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

class TestRegistryStore : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString file() const { return tmp_.filePath("registry.ini"); }

  private slots:
    void init() { QFile::remove(file()); }

    void keys() {
        RegistryStore s(file());
        QVERIFY(!s.keyExists(kCurrentUser, kProgramKey));
        QCOMPARE(s.createKey(kCurrentUser, kProgramKey), false); // created
        QVERIFY(s.keyExists(kCurrentUser, kProgramKey));
        QVERIFY(s.keyExists(kCurrentUser, kVendorKey));         // the parent comes with it
        QCOMPARE(s.createKey(kCurrentUser, kProgramKey), true); // existed
        QVERIFY(!s.keyExists(0x80000002u, kProgramKey));        // other roots are not kept
        // A second store on the same file sees the same keys.
        QVERIFY(RegistryStore(file()).keyExists(kCurrentUser, kProgramKey));
    }

    void valuesByType() {
        RegistryStore s(file());
        s.createKey(kCurrentUser, kProgramKey);
        s.setValue(kCurrentUser, kProgramKey, "txtXstep", kRegString, QString("10"));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "txtXstep", kRegString).toString(),
                 QString("10"));
        s.setValue(kCurrentUser, kProgramKey, "GridType", kRegDword, 3);
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "GridType", kRegDword, -1).toInt(), 3);
        s.setValue(kCurrentUser, kProgramKey, "Titles", kRegDword, qint64(0x8000FF));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "Titles", kRegDword).toInt(), 0x8000FF);
        const QByteArray bytes("\x01\x00\xff", 3);
        s.setValue(kCurrentUser, kProgramKey, "Blob", kRegBinary, bytes);
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "Blob", kRegBinary).toByteArray(), bytes);
        // The requested type decides how the value is read.
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "txtXstep", kRegDword).toInt(), 10);
    }

    void defaultsAndSilence() {
        RegistryStore s(file());
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "Missing", kRegString, "dflt").toString(),
                 QString("dflt"));
        QVERIFY(!s.getValue(kCurrentUser, kProgramKey, "Missing", kRegString).isValid());
        // Writing below a missing key does nothing.
        s.setValue(kCurrentUser, kProgramKey, "x", kRegString, QString("1"));
        QVERIFY(!s.keyExists(kCurrentUser, kProgramKey));
        s.createKey(kCurrentUser, kProgramKey);
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "x", kRegString, "none").toString(),
                 QString("none"));
        // A text value longer than 1023 characters is not read.
        s.setValue(kCurrentUser, kProgramKey, "long", kRegString, QString(1024, 'a'));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "long", kRegString, "d").toString(),
                 QString("d"));
        s.setValue(kCurrentUser, kProgramKey, "edge", kRegString, QString(1023, 'a'));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "edge", kRegString).toString().size(), 1023);
        // Unsupported types write nothing and raise on reading.
        s.setValue(kCurrentUser, kProgramKey, "odd", 2, QString("v"));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "odd", kRegString, "d").toString(),
                 QString("d"));
        try {
            s.getValue(kCurrentUser, kProgramKey, "odd", 7);
            QFAIL("no error for type 7");
        } catch (const RegistryError& e) {
            QCOMPARE(e.number(), 1001);
            QCOMPARE(QString(e.what()), QString("Unsupported value type"));
        }
    }

    void createFailureRaises() {
        // A store whose file cannot be made (its folder is a plain file).
        QFile blocker(tmp_.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        RegistryStore s(tmp_.filePath("blocker/registry.ini"));
        QVERIFY_THROWS_EXCEPTION(RegistryError, s.createKey(kCurrentUser, kProgramKey));
    }

    void lastFilePath_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("returned");
        QTest::newRow("local") << "/home/u/jobs"
                               << "/home/u/jobs";
        QTest::newRow("network") << "//server/jobs"
                                 << "";
        QTest::newRow("windows network") << "\\\\server\\jobs"
                                         << "";
        QTest::newRow("relative") << "jobs"
                                  << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void lastFilePath() {
        QFETCH(QString, stored);
        QFETCH(QString, returned);
        RegistryStore s(file());
        QCOMPARE(lumetra::lastFilePath(s), QString()); // no key yet
        saveLastFilePath(s, stored);                   // creates the key
        QVERIFY(s.keyExists(kCurrentUser, kProgramKey));
        QCOMPARE(s.getValue(kCurrentUser, kProgramKey, "LastFilePath", kRegString).toString(),
                 stored);
        QCOMPARE(lumetra::lastFilePath(s), returned);
    }

    void defaultLocationCanBeRedirected() {
        RegistryStore::setDefaultFile(file());
        QCOMPARE(RegistryStore().file(), file());
        RegistryStore::setDefaultFile(QString());
        QVERIFY(RegistryStore().file().endsWith("/Tavrenco/registry.ini"));
    }

    // The keys live beside the other settings; those found at the old place are read once.
    void keysMoveBesideTheSettingsOnce() {
        QTemporaryDir dir;
        const QString old = dir.filePath("config/Tavrenco/registry.ini");
        const QString now = dir.filePath("Lumetra/registry.ini");
        {
            RegistryStore s(old);
            saveLastFilePath(s, "/home/u/jobs");
        }
        QVERIFY(RegistryStore::adoptFile(now, old));
        RegistryStore adopted;
        QCOMPARE(adopted.file(), now);
        QCOMPARE(lumetra::lastFilePath(adopted), QString("/home/u/jobs"));
        // Later changes stay in the new place; the old file is not read again.
        saveLastFilePath(adopted, "/home/u/other");
        {
            RegistryStore s(old);
            saveLastFilePath(s, "/home/u/stale");
        }
        QVERIFY(!RegistryStore::adoptFile(now, old));
        RegistryStore again;
        QCOMPARE(lumetra::lastFilePath(again), QString("/home/u/other"));
        // Nothing at the old place: a fresh store.
        const QString fresh = dir.filePath("portable/registry.ini");
        QVERIFY(!RegistryStore::adoptFile(fresh, dir.filePath("none/registry.ini")));
        RegistryStore empty;
        QCOMPARE(empty.file(), fresh);
        QCOMPARE(lumetra::lastFilePath(empty), QString());
        RegistryStore::setDefaultFile(QString());
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registry_store.moc"
