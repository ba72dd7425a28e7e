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
        QVERIFY(!s.KeyExists(kCurrentUser, kProgramKey));
        QCOMPARE(s.CreateKey(kCurrentUser, kProgramKey), false); // created
        QVERIFY(s.KeyExists(kCurrentUser, kProgramKey));
        QVERIFY(s.KeyExists(kCurrentUser, kVendorKey));         // the parent comes with it
        QCOMPARE(s.CreateKey(kCurrentUser, kProgramKey), true); // existed
        QVERIFY(!s.KeyExists(0x80000002u, kProgramKey));        // other roots are not kept
        // A second store on the same file sees the same keys.
        QVERIFY(RegistryStore(file()).KeyExists(kCurrentUser, kProgramKey));
    }

    void valuesByType() {
        RegistryStore s(file());
        s.CreateKey(kCurrentUser, kProgramKey);
        s.SetValue(kCurrentUser, kProgramKey, "txtXstep", kRegString, QString("10"));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "txtXstep", kRegString).toString(),
                 QString("10"));
        s.SetValue(kCurrentUser, kProgramKey, "GridType", kRegDword, 3);
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "GridType", kRegDword, -1).toInt(), 3);
        s.SetValue(kCurrentUser, kProgramKey, "Titles", kRegDword, qint64(0x8000FF));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "Titles", kRegDword).toInt(), 0x8000FF);
        const QByteArray bytes("\x01\x00\xff", 3);
        s.SetValue(kCurrentUser, kProgramKey, "Blob", kRegBinary, bytes);
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "Blob", kRegBinary).toByteArray(), bytes);
        // The requested type decides how the value is read.
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "txtXstep", kRegDword).toInt(), 10);
    }

    void defaultsAndSilence() {
        RegistryStore s(file());
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "Missing", kRegString, "dflt").toString(),
                 QString("dflt"));
        QVERIFY(!s.GetValue(kCurrentUser, kProgramKey, "Missing", kRegString).isValid());
        // Writing below a missing key does nothing.
        s.SetValue(kCurrentUser, kProgramKey, "x", kRegString, QString("1"));
        QVERIFY(!s.KeyExists(kCurrentUser, kProgramKey));
        s.CreateKey(kCurrentUser, kProgramKey);
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "x", kRegString, "none").toString(),
                 QString("none"));
        // A text value longer than 1023 characters is not read.
        s.SetValue(kCurrentUser, kProgramKey, "long", kRegString, QString(1024, 'a'));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "long", kRegString, "d").toString(),
                 QString("d"));
        s.SetValue(kCurrentUser, kProgramKey, "edge", kRegString, QString(1023, 'a'));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "edge", kRegString).toString().size(), 1023);
        // Unsupported types write nothing and raise on reading.
        s.SetValue(kCurrentUser, kProgramKey, "odd", 2, QString("v"));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "odd", kRegString, "d").toString(),
                 QString("d"));
        try {
            s.GetValue(kCurrentUser, kProgramKey, "odd", 7);
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
        QVERIFY_THROWS_EXCEPTION(RegistryError, s.CreateKey(kCurrentUser, kProgramKey));
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
        QCOMPARE(GetLastFilePath(s), QString()); // no key yet
        SaveLastFilePath(s, stored);             // creates the key
        QVERIFY(s.KeyExists(kCurrentUser, kProgramKey));
        QCOMPARE(s.GetValue(kCurrentUser, kProgramKey, "LastFilePath", kRegString).toString(),
                 stored);
        QCOMPARE(GetLastFilePath(s), returned);
    }

    void defaultLocationCanBeRedirected() {
        RegistryStore::setDefaultFile(file());
        QCOMPARE(RegistryStore().file(), file());
        RegistryStore::setDefaultFile(QString());
        QVERIFY(RegistryStore().file().endsWith("/Tavrenco/registry.ini"));
    }
};

QTEST_GUILESS_MAIN(TestRegistryStore)
#include "tst_registry_store.moc"
