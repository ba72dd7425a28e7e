// The desktop's association of ".out" run reports, written under a redirected XDG data folder.
#include "desktop_association.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

using namespace lumetra;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool writeText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// Reads an Exec= value back the way a desktop does: string escapes, then quoting, then %%.
QStringList parseExec(const QString& value) {
    QString s;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == u'\\' && i + 1 < value.size()) {
            const QChar n = value[++i];
            s += n == u'n' ? QChar(u'\n') : n == u't' ? QChar(u'\t') : n;
        } else {
            s += value[i];
        }
    }
    QStringList args;
    QString cur;
    bool inQuotes = false, have = false;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const QChar c = s[i];
        if (inQuotes) {
            if (c == u'\\' && i + 1 < s.size())
                cur += s[++i];
            else if (c == u'"')
                inQuotes = false;
            else
                cur += c;
        } else if (c == u'"') {
            inQuotes = have = true;
        } else if (c == u' ') {
            if (have) args << cur;
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have) args << cur;
    for (QString& a : args) a.replace("%%", "%");
    return args;
}

QString execLine(const QString& entry) {
    for (const QString& line : entry.split(u'\n'))
        if (line.startsWith("Exec=")) return line.mid(5);
    return QString();
}

} // namespace

class TestDesktopAssociation : public QObject {
    Q_OBJECT
    QTemporaryDir* tmp_ = nullptr;
    QString home() const { return tmp_->filePath("data"); }
    QString bin() const { return tmp_->filePath("bin"); }

    DesktopAssociation make(bool known = false) const {
        DesktopAssociation d(home());
        d.setViewer("/opt/Lumetra/Lumetra", {"--view"});
        d.setToolSearchPaths({bin()});
        d.setExtensionKnown([known] { return known; });
        return d;
    }

    void fakeTool(const QString& name) {
        const QString path = bin() + "/" + name;
        QVERIFY(writeText(path, "#!/bin/sh\necho \"" + name.toUtf8() + " $@\" >> \"" +
                                    tmp_->filePath("tools.log").toUtf8() + "\"\n"));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

  private slots:
    void init() {
        delete tmp_;
        tmp_ = new QTemporaryDir;
        QDir().mkpath(bin());
    }
    void cleanupTestCase() { delete tmp_; }

    void createsTypeAndEntry() {
        DesktopAssociation d = make();
        QVERIFY(!d.hasExistingAssociation());
        QCOMPARE(d.associate(), DesktopAssociation::Outcome::Created);
        QCOMPARE(d.mimePackagePath(), home() + "/mime/packages/lumetra-run-report.xml");
        QCOMPARE(d.desktopEntryPath(), home() + "/applications/lumetra-run-report.desktop");

        QFile pkg(d.mimePackagePath());
        QVERIFY(pkg.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&pkg);
        QStringList globs, types, parents, matches;
        while (!xml.atEnd()) {
            xml.readNext();
            if (!xml.isStartElement()) continue;
            if (xml.name() == u"glob") globs << xml.attributes().value("pattern").toString();
            if (xml.name() == u"match")
                matches << xml.attributes().value("offset").toString() + "|" +
                               xml.attributes().value("value").toString();
            if (xml.name() == u"mime-type") types << xml.attributes().value("type").toString();
            if (xml.name() == u"sub-class-of") parents << xml.attributes().value("type").toString();
        }
        QVERIFY(!xml.hasError());
        // Only what this program wrote: its report by name, or a report's first lines.
        QCOMPARE(globs, QStringList{"~Lumetra*.out"});
        QCOMPARE(matches, QStringList{"0:16|Starting Spectral Estimation calculations"});
        QCOMPARE(types, QStringList{kRunReportMimeType});
        QCOMPARE(parents, QStringList{"text/plain"});

        const QString entry = QString::fromUtf8(contents(d.desktopEntryPath()));
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY(entry.contains("\nType=Application\n"));
        QVERIFY(entry.contains("\nMimeType=" + kRunReportMimeType + ";\n"));
        QCOMPARE(parseExec(execLine(entry)), (QStringList{"/opt/Lumetra/Lumetra", "--view", "%f"}));
        // Without the tools the files simply wait for the desktop.
        QVERIFY(d.toolsRun().isEmpty());
        // Once there, the association counts as existing.
        QVERIFY(d.hasExistingAssociation());
        QCOMPARE(make().associate(), DesktopAssociation::Outcome::AlreadyAssociated);
    }

    void claimsOnlyRunReports_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<bool>("claimed");
        const QByteArray report = "  \n  Starting Spectral Estimation calculations and Plot\n  \n";
        QTest::newRow("the run report") << "~Lumetra.out" << QByteArray() << true;
        QTest::newRow("a numbered run report") << "~Lumetra2.out" << QByteArray() << true;
        QTest::newRow("a report copy beside its job") << "ex-auto_0.out" << report << true;
        QTest::newRow("a compiler's a.out") << "a.out"
                                            << QByteArray("\x7f"
                                                          "ELF")
                                            << false;
        QTest::newRow("a profile") << "gmon.out" << QByteArray("gmon") << false;
        QTest::newRow("another program's text") << "results.out" << QByteArray("x = 1\n") << false;
    }
    void claimsOnlyRunReports() {
        // The type's glob and magic rules applied here as a desktop applies them, without
        // asking this machine's MIME database.
        QFETCH(QString, name);
        QFETCH(QByteArray, start);
        QFETCH(bool, claimed);
        const QRegularExpression glob(
            QRegularExpression::wildcardToRegularExpression(kRunReportGlob));
        const qsizetype at = start.indexOf(kRunReportMagic.toLatin1());
        const bool magic = at >= 0 && at <= 16;
        QCOMPARE(glob.match(name).hasMatch() || magic, claimed);
    }

    void toolsRunOnlyWhenPresent() {
        fakeTool("update-mime-database");
        fakeTool("update-desktop-database");
        DesktopAssociation d = make();
        QCOMPARE(d.associate(), DesktopAssociation::Outcome::Created);
        QCOMPARE(d.toolsRun().size(), 2);
        const QString log = QString::fromUtf8(contents(tmp_->filePath("tools.log")));
        QCOMPARE(log, "update-mime-database " + home() + "/mime\nupdate-desktop-database " +
                          home() + "/applications\n");
    }

    void existingAssociationLeftUntouched_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("systemKnows");
        QTest::newRow("our type, edited by the user")
            << "mime/packages/lumetra-run-report.xml" << QByteArray("<mime-info/>\n") << false;
        QTest::newRow("our entry only") << "applications/lumetra-run-report.desktop"
                                        << QByteArray("[Desktop Entry]\n") << false;
        QTest::newRow("another package with *.OUT")
            << "mime/packages/other.xml"
            << QByteArray("<?xml version=\"1.0\"?><mime-info xmlns=\"http://www.freedesktop.org/"
                          "standards/shared-mime-info\"><mime-type type=\"text/x-other\">"
                          "<glob pattern=\"*.OUT\"/></mime-type></mime-info>")
            << false;
        QTest::newRow("the system's database") << "" << QByteArray() << true;
    }
    void existingAssociationLeftUntouched() {
        QFETCH(QString, file);
        QFETCH(QByteArray, text);
        QFETCH(bool, systemKnows);
        fakeTool("update-mime-database");
        if (!file.isEmpty()) QVERIFY(writeText(home() + "/" + file, text));
        DesktopAssociation d = make(systemKnows);
        QVERIFY(d.hasExistingAssociation());
        QCOMPARE(d.associate(), DesktopAssociation::Outcome::AlreadyAssociated);
        if (!file.isEmpty()) QCOMPARE(contents(home() + "/" + file), text);
        // Nothing else was written, nothing was run.
        for (const QString& ours : {d.mimePackagePath(), d.desktopEntryPath()})
            if (!ours.endsWith(file) || file.isEmpty()) QVERIFY(!QFile::exists(ours));
        QVERIFY(d.toolsRun().isEmpty());
        QVERIFY(!QFile::exists(tmp_->filePath("tools.log")));
    }

    void otherPatternsDoNotCount() {
        QVERIFY(writeText(home() + "/mime/packages/other.xml",
                          "<mime-info><mime-type type=\"text/x-a\"><glob pattern=\"*.outx\"/>"
                          "<glob pattern=\"gmon.out\"/></mime-type></mime-info>"));
        QVERIFY(writeText(home() + "/mime/packages/broken.xml", "<mime-info><glob pat"));
        QCOMPARE(make().associate(), DesktopAssociation::Outcome::Created);
    }

    void failureLeavesNothingBehind() {
        // The applications folder cannot be made: a plain file has its name.
        QVERIFY(writeText(home() + "/applications", "x"));
        DesktopAssociation d = make();
        QCOMPARE(d.associate(), DesktopAssociation::Outcome::Failed);
        QVERIFY(!QFile::exists(d.mimePackagePath()));
        // Without a viewer there is nothing to associate.
        QFile::remove(home() + "/applications");
        DesktopAssociation none(home());
        none.setExtensionKnown([] { return false; });
        QCOMPARE(none.associate(), DesktopAssociation::Outcome::Failed);
        QVERIFY(!QFile::exists(none.mimePackagePath()));
        QVERIFY(!QFile::exists(none.desktopEntryPath()));
    }

    void execArguments_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "/opt/Lumetra/Lumetra"
                               << "/opt/Lumetra/Lumetra";
        QTest::newRow("blank") << "/opt/My Apps/Lumetra"
                               << "\"/opt/My Apps/Lumetra\"";
        QTest::newRow("percent") << "/opt/50%/Lumetra"
                                 << "/opt/50%%/Lumetra";
        QTest::newRow("dollar") << "/opt/a$b"
                                << "\"/opt/a\\\\$b\"";
        QTest::newRow("backslash") << "/opt/a\\b"
                                   << "\"/opt/a\\\\\\\\b\"";
        QTest::newRow("quote") << "/opt/\"q\""
                               << "\"/opt/\\\\\"q\\\\\"\"";
        QTest::newRow("empty") << ""
                               << "\"\"";
    }
    void execArguments() {
        QFETCH(QString, argument);
        QFETCH(QString, written);
        QCOMPARE(DesktopAssociation::execArgument(argument), written);
        QCOMPARE(parseExec(DesktopAssociation::execArgument(argument) + " %f"),
                 (QStringList{argument, "%f"}));
    }

    void dataHomeFromEnvironment() {
        const QByteArray saved = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", "/srv/data/");
        QCOMPARE(DesktopAssociation::defaultDataHome(), QString("/srv/data"));
        qputenv("XDG_DATA_HOME", "relative/data"); // not absolute: ignored
        QCOMPARE(DesktopAssociation::defaultDataHome(), QDir::homePath() + "/.local/share");
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(DesktopAssociation::defaultDataHome(), QDir::homePath() + "/.local/share");
        if (!saved.isNull()) qputenv("XDG_DATA_HOME", saved);
    }
};

QTEST_GUILESS_MAIN(TestDesktopAssociation)
#include "tst_desktop_association.moc"
