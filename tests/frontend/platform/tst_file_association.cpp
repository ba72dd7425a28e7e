// The per-user class store: keys, values and command layout of the run report association.
#include "file_association.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestFileAssociation : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    QString file() const { return tmp_.filePath("classes.ini"); }
    QString read(const ClassStore& s, const QString& key) const {
        return s.readRegString(kClassesRoot, key, QString(), "<none>");
    }

  private slots:
    void init() { QFile::remove(file()); }

    void keysAndCommandLayout_data() {
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("icon");
        QTest::addColumn<QString>("command");
        QTest::newRow("no trailing slash") << "/opt/Lumetra"
                                           << ""
                                           << "\"/opt/Lumetra/notePad\" %1";
        QTest::newRow("trailing slash kept") << "/opt/Lumetra/"
                                             << ""
                                             << "\"/opt/Lumetra/notePad\" %1";
        QTest::newRow("blank in path, icon") << "/opt/My Tools"
                                             << "/opt/My Tools/report.png"
                                             << "\"/opt/My Tools/notePad\" %1";
    }
    void keysAndCommandLayout() {
        QFETCH(QString, directory);
        QFETCH(QString, icon);
        QFETCH(QString, command);
        ClassStore s(file());
        createAssociation(s, "Out", directory, "notePad", "FC Output", icon);
        QCOMPARE(read(s, ".Out"), QString("notePad"));
        QCOMPARE(read(s, "notePad"), QString("FC Output"));
        QCOMPARE(read(s, "notePad\\shell\\open\\command"), command);
        QCOMPARE(read(s, "notePad\\DefaultIcon"), icon.isEmpty() ? QString("<none>") : icon + ",0");
        QCOMPARE(getAssociation(s, "Out"), QString("notePad"));
        // The keys sit in the file as the registry's key paths, default values under "@".
        const QSettings raw(file(), QSettings::IniFormat);
        QCOMPARE(raw.value(".Out/@").toString(), QString("notePad"));
        QCOMPARE(raw.value("notePad/shell/open/command/@").toString(), command);
    }

    void writeSetsDefaultValueOfNamedSubkey() {
        ClassStore s(file());
        QCOMPARE(s.writeRegString(kClassesRoot, "notePad\\shell", "open", "x"), kStatusOk);
        QCOMPARE(read(s, "notePad\\shell\\open"), QString("x"));
        QCOMPARE(read(s, "notePad\\shell"), QString("<none>"));
    }

    void firstStartRegistration() {
        ClassStore s(file());
        QVERIFY(registerRunReportAssociation(s, "/opt/Lumetra"));
        QCOMPARE(getAssociation(s, "Out"), kOutClass);
        QCOMPARE(read(s, kOutClass), QString("FC Output"));
        // The command starts the program's own viewer, which is there: "Lumetra --view FILE".
        const QString viewer = "\"/opt/Lumetra/Lumetra\" --view %1";
        QCOMPARE(read(s, kOutClass + "\\shell\\open\\command"), viewer);
        // A second time there is an association already.
        QVERIFY(!registerRunReportAssociation(s, "/elsewhere"));
        QCOMPARE(read(s, kOutClass + "\\shell\\open\\command"), viewer);
    }

    void existingAssociationLeftUntouched_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("className");
        QTest::newRow("other class") << ".Out"
                                     << "MyEditor";
        QTest::newRow("lower-case key") << ".out"
                                        << "txtfile";
        QTest::newRow("upper-case key") << ".OUT"
                                        << "notePad";
    }
    void existingAssociationLeftUntouched() {
        QFETCH(QString, key);
        QFETCH(QString, className);
        ClassStore s(file());
        QCOMPARE(s.writeRegString(kClassesRoot, key, QString(), className), kStatusOk);
        QCOMPARE(s.writeRegString(kClassesRoot, className + "\\shell\\open\\command", QString(),
                                  "\"/usr/bin/mine\" %1"),
                 kStatusOk);
        const QByteArray before = contents(file());
        QCOMPARE(getAssociation(s, "Out"), className); // extensions match without case
        QVERIFY(!registerRunReportAssociation(s, "/opt/Lumetra"));
        QCOMPARE(contents(file()), before);
    }

    void writesKeepExistingSpelling() {
        ClassStore s(file());
        s.writeRegString(kClassesRoot, ".out", QString(), "a");
        s.writeRegString(kClassesRoot, ".OUT", QString(), "b");
        QCOMPARE(QSettings(file(), QSettings::IniFormat).childGroups(), QStringList{".out"});
        QCOMPARE(read(s, ".Out"), QString("b"));
    }

    void readEdges_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        QTest::newRow("254 bytes fit") << QString(254, 'a') << QString(254, 'a');
        QTest::newRow("255 bytes do not") << QString(255, 'a') << QString("dflt");
        QTest::newRow("leading blanks dropped") << "  notePad"
                                                << "notePad";
        QTest::newRow("trailing blanks kept") << "notePad  "
                                              << "notePad  ";
        QTest::newRow("empty value is empty") << ""
                                              << "";
    }
    void readEdges() {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        ClassStore s(file());
        QCOMPARE(s.writeRegString(kClassesRoot, ".Out", QString(), stored), kStatusOk);
        QCOMPARE(s.readRegString(kClassesRoot, ".Out", QString(), "dflt"), expected);
    }

    void missingReadsAsDefault() {
        ClassStore s(file());
        QCOMPARE(s.readRegString(kClassesRoot, ".Out", QString(), "dflt"), QString("dflt"));
        QCOMPARE(getAssociation(s, "Out"), QString());
        s.writeRegString(kClassesRoot, "notePad\\shell", QString(), "x");
        // A key that exists without a default value, a value name that does not exist.
        QCOMPARE(s.readRegString(kClassesRoot, "notePad", QString(), "dflt"), QString("dflt"));
        QCOMPARE(s.readRegString(kClassesRoot, "notePad\\shell", "Missing", "dflt"),
                 QString("dflt"));
    }

    void onlyTheClassRoot() {
        ClassStore s(file());
        QCOMPARE(s.writeRegString("-2147483647", ".Out", QString(), "x"), kStatusInvalidHandle);
        QCOMPARE(s.writeRegString("classes", ".Out", QString(), "x"), kStatusInvalidHandle);
        QVERIFY(!QFile::exists(file()));
        s.writeRegString(kClassesRoot, ".Out", QString(), "x");
        QCOMPARE(s.readRegString("-2147483647", ".Out", QString(), "d"), QString("d"));
        QCOMPARE(s.readRegString(" -2147483648 ", ".Out", QString(), "d"), QString("x"));
    }

    void failedWritesAreSilent() {
        // The store's folder cannot be made: a plain file stands in its way.
        QFile blocker(tmp_.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        ClassStore s(tmp_.filePath("blocker/classes.ini"));
        QVERIFY(s.writeRegString(kClassesRoot, ".Out", QString(), "x") != kStatusOk);
        createAssociation(s, "Out", "/opt/Lumetra", "notePad", "FC Output", QString());
        QCOMPARE(getAssociation(s, "Out"), QString());
        QVERIFY(!registerRunReportAssociation(s, "/opt/Lumetra"));
    }
};

QTEST_GUILESS_MAIN(TestFileAssociation)
#include "tst_file_association.moc"
