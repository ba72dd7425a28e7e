// File commands on the job model, with scripted answers and no widgets.
#include "field_validation.h"
#include "file_error_policy.h"
#include "job_file_reader.h"
#include "job_run.h"
#include "job_session.h"
#include "path_rules.h"
#include "recent_jobs.h"
#include "registry_store.h"
#include "scripted_interaction.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace lumetra;
using lumetra::test::ScriptedInteraction;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

class TestJobSession : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;
    JobState state_;
    ScriptedInteraction ui_;
    std::unique_ptr<RegistryStore> registry_;
    std::unique_ptr<JobSession> session_;

    QString jobs() const { return tmp_.filePath("jobs"); }

    void fillJob() {
        JobAnswers& a = state_.answers;
        const QStringList v{"", "0", "0", "Real", "", "Burg", "No", "64", "10",
                            "", "",  "",  "",     "", "",     "",   "",   ""};
        for (int n = 1; n <= 18; ++n) a.setAnswer(n, v[n - 1]);
        a.setNote(1, "n1");
        a.setNote(2, "n2");
        state_.dataFileName = "x.dat";
        state_.dataFileDir = jobs();
    }

  private slots:
    void init() {
        QDir(tmp_.path()).removeRecursively();
        QDir().mkpath(jobs());
        state_ = JobState{};
        state_.currentDir = jobs();
        state_.dialogDir = jobs();
        state_.jobName = "Ex-Auto.0";
        state_.jobDir = jobs();
        ui_.reset();
        registry_ = std::make_unique<RegistryStore>(tmp_.filePath("registry.ini"));
        session_ = std::make_unique<JobSession>(state_, ui_, *registry_);
        session_->readValues = readJobValues;
        session_->clock = [] { return QDateTime(QDate(2026, 1, 2), QTime(9, 5)); };
        setFileProbeForTesting({});
        fillJob();
    }
    void cleanup() { setFileProbeForTesting({}); }

    void saveChangesPrompt_data() {
        QTest::addColumn<bool>("changed");
        QTest::addColumn<int>("answer");     // MessageAnswer, -1: not asked
        QTest::addColumn<QString>("saveAs"); // file chosen in Save As
        QTest::addColumn<bool>("cancelled");
        QTest::newRow("unchanged") << false << -1 << "" << false;
        QTest::newRow("no") << true << int(MessageAnswer::No) << "" << false;
        QTest::newRow("cancel") << true << int(MessageAnswer::Cancel) << "" << true;
        QTest::newRow("yes, save as cancelled") << true << int(MessageAnswer::Yes) << "" << true;
        QTest::newRow("yes, saved") << true << int(MessageAnswer::Yes) << "saved.1" << false;
    }
    void saveChangesPrompt() {
        QFETCH(bool, changed);
        QFETCH(int, answer);
        QFETCH(QString, saveAs);
        QFETCH(bool, cancelled);
        if (answer >= 0) ui_.answers << MessageAnswer(answer);
        if (!saveAs.isEmpty()) ui_.fileNames << jobs() + "/" + saveAs;
        QCOMPARE(session_->offerToSaveChanges(changed), cancelled);
        QCOMPARE(ui_.messages.size() >= 1, answer >= 0);
        if (answer >= 0) {
            QCOMPARE(ui_.messages[0].request.text, QString("Save current data?"));
            QCOMPARE(ui_.messages[0].request.title, QString("Data in form has changed!"));
            QCOMPARE(ui_.messages[0].request.buttons, MessageButtons::YesNoCancel);
        }
        if (!saveAs.isEmpty()) QVERIFY(QFile::exists(jobs() + "/" + saveAs));
    }

    void newDataRules() {
        // An edited job asks to save first; Cancel leaves everything.
        state_.formChanged = true;
        ui_.answers << MessageAnswer::Cancel;
        session_->fileNew();
        QCOMPARE(ui_.texts(), QStringList{"Save current data?"});
        QCOMPARE(state_.jobName, QString("Ex-Auto.0"));
        QCOMPARE(state_.answers.answer(6), QString("Burg"));

        // No, then OK clears the form.
        ui_.reset();
        ui_.answers << MessageAnswer::No << MessageAnswer::Ok;
        session_->fileNew();
        QCOMPARE(ui_.texts(), (QStringList{"Save current data?", "Okay to Clear responses?"}));
        QCOMPARE(ui_.messages[1].request.title, QString("Confirm 'New' Response."));
        QCOMPARE(state_.jobName, kNewJobName);
        QCOMPARE(state_.jobDir, jobs());
        QCOMPARE(state_.dataFileDir, jobs());
        QVERIFY(state_.dataFileName.isEmpty());
        for (int n = 1; n <= 18; ++n) QVERIFY(state_.answers.answer(n).isEmpty());
        QVERIFY(!state_.formChanged);

        // A form still named "New data" is cleared, and opened over, without the save offer.
        state_.formChanged = true;
        ui_.reset();
        ui_.answers << MessageAnswer::Cancel;
        session_->fileNew();
        QCOMPARE(ui_.texts(), QStringList{"Okay to Clear responses?"});
        ui_.reset();
        session_->fileOpen(); // dialog cancelled
        QVERIFY(ui_.messages.isEmpty());
        QCOMPARE(ui_.dialogs.size(), 1);
        QCOMPARE(ui_.dialogs[0].title, QString("Open Input File"));
        QCOMPARE(ui_.dialogs[0].selectedFilter, 2);
        // The chosen filter lists every shipped job, whatever its extension.
        const QStringList parts = ui_.dialogs[0].filter.split('|');
        const QStringList jobs = parts[3].split(';');
        const QStringList shipped = QDir(LUMETRA_EXAMPLES_DIR).entryList({"Ex*"}, QDir::Files);
        QVERIFY(shipped.contains("Ex-0-pad.128") && shipped.contains("Ex-0-pad.8k"));
        for (const QString& name : shipped) QVERIFY2(QDir::match(jobs, name), qPrintable(name));
        QVERIFY(QDir::match(parts[5].split(';'), "Ex-0-pad.256"));
    }

    void saveAsSuggestionsAndReplace() {
        session_->fileSaveAs(); // cancelled
        QCOMPARE(ui_.dialogs[0].suggestedName, QString("Ex-Auto"));
        QCOMPARE(ui_.dialogs[0].title, QString("Save Input File As ..."));
        QCOMPARE(ui_.dialogs[0].filter, QString("All Files (*.*)|*.*|Text Files (*.txt)|*.txt"));
        state_.jobName = kNewJobName;
        session_->fileSaveAs();
        QCOMPARE(ui_.dialogs[1].suggestedName, QString("New data"));

        const QString target = jobs() + "/Mixed.Case";
        QFile f(target);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old");
        f.close();
        state_.formChanged = true;
        ui_.reset();
        ui_.fileNames << target;
        ui_.answers << MessageAnswer::No;
        QVERIFY(!session_->fileSaveAs());
        QCOMPARE(ui_.messages[0].request.text, QString("File exists, want to replace it?"));
        // The path as it is: a lower-cased one names no file here.
        QCOMPARE(ui_.messages[0].request.title, "Replace " + target + " file?");
        QCOMPARE(readAll(target), QByteArray("old"));
        QVERIFY(state_.formChanged);

        ui_.reset();
        ui_.fileNames << target;
        ui_.answers << MessageAnswer::Yes;
        QVERIFY(session_->fileSaveAs());
        QCOMPARE(state_.jobName, QString("Mixed.Case"));
        QCOMPARE(state_.jobDir, jobs());
        QCOMPARE(state_.dialogDir, jobs());
        QVERIFY(!state_.formChanged);
        QVERIFY(
            readAll(target).startsWith("Mixed.Case  \t\t!  18; January 02, 2026 @ 9:05 AM\r\n"));
    }

    void failedSaveAsKeepsChangedMark() {
        state_.formChanged = true;
        ui_.fileNames << tmp_.filePath("missing/dir/job.1");
        QVERIFY(!session_->fileSaveAs());
        QCOMPARE(ui_.titles(), QStringList{"File not saved; Error in 'WriteAnsFile' routine."});
        QVERIFY(ui_.texts()[0].contains("    FileName = job.1"));
        QVERIFY(ui_.texts()[0].contains("files in Lumetra's User directory"));
        QVERIFY(ui_.texts()[0].contains("\nReason: "));
        QVERIFY(state_.formChanged);
        QCOMPARE(state_.writeErrors, 0);
        // The job (and so the title) stays the one last written.
        QCOMPARE(state_.jobName, QString("Ex-Auto.0"));
        QCOMPARE(state_.jobDir, jobs());
        QVERIFY(lumetra::recentJobs(*registry_).isEmpty());

        // A points answer that is no number: the question and its range, the old file kept.
        ui_.reset();
        const QString path = jobs() + "/kept.1";
        ui_.fileNames << path;
        QVERIFY(session_->fileSaveAs());
        const QByteArray before = readAll(path);
        state_.answers.setAnswer(8, "lots");
        state_.formChanged = true;
        ui_.reset();
        session_->fileSave();
        QCOMPARE(ui_.texts(), QStringList{"Question 8 (nPoints) needs a whole number from 1 to "
                                          "16384; it has 'lots'."});
        QCOMPARE(ui_.titles(), QStringList{kFieldProblemTitle});
        QCOMPARE(ui_.messages[0].request.icon, MessageIcon::Warning);
        QCOMPARE(readAll(path), before);
        QVERIFY(state_.formChanged);
    }

    void saveRewritesOrAsks() {
        // A pseudo name always goes through Save As.
        state_.jobName = kStartUpJobName;
        state_.jobDir = jobs();
        session_->fileSave();
        QCOMPARE(ui_.dialogs.size(), 1);
        QCOMPARE(ui_.dialogs[0].suggestedName, QString("Start Up Values"));

        ui_.reset();
        state_.jobName = "Job.2";
        ui_.fileNames << jobs() + "/Job.2";
        session_->fileSave(); // does not exist yet: Save As
        QCOMPARE(ui_.dialogs.size(), 1);
        QVERIFY(QFile::exists(jobs() + "/Job.2"));

        ui_.reset();
        state_.answers.setNote(1, "edited");
        state_.formChanged = true;
        session_->fileSave(); // exists: written without a dialog
        QVERIFY(ui_.dialogs.isEmpty());
        QVERIFY(ui_.messages.isEmpty());
        QVERIFY(!state_.formChanged);
        QVERIFY(readAll(jobs() + "/Job.2").contains("edited  \t\t! 20."));
    }

    // Open, then Save As into another folder: line 2 still names the same data file under the
    // engine's lookup rule (current folder first, then the job's): a bare name only where the
    // rule finds that file from the new folder, else the absolute path.
    void saveKeepsTheDataReference_data() {
        QTest::addColumn<QString>("data");   // the data file, below the temporary root
        QTest::addColumn<QString>("first");  // folder of the job as first saved
        QTest::addColumn<QString>("second"); // folder it is saved into after Open
        QTest::addColumn<bool>("bare");      // line 2 of the second save is the bare name
        QTest::newRow("same folder") << "jobs/d.txt"
                                     << "jobs"
                                     << "jobs" << true;
        QTest::newRow("to a sibling") << "user/ar4real.txt"
                                      << "user"
                                      << "out" << false;
        QTest::newRow("from a sibling") << "user/ar4real.txt"
                                        << "out"
                                        << "user" << true;
        QTest::newRow("to the parent") << "jobs/d.txt"
                                       << "jobs"
                                       << "." << false;
        QTest::newRow("to a child") << "d.txt"
                                    << "."
                                    << "jobs" << false;
        QTest::newRow("spaces") << "my data/d 1.txt"
                                << "my data"
                                << "my jobs/new one" << false;
        QTest::newRow("spaces, back") << "my data/d 1.txt"
                                      << "my jobs"
                                      << "my data" << true;
    }
    void saveKeepsTheDataReference() {
        QFETCH(QString, data);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(bool, bare);
        const QDir root(tmp_.path());
        for (const QString& d : {QFileInfo(root.filePath(data)).path(), root.filePath(first),
                                 root.filePath(second), root.filePath("elsewhere")})
            QVERIFY(QDir().mkpath(d));
        const QString dataPath = QFileInfo(root.filePath(data)).canonicalFilePath().isEmpty()
                                     ? QDir::cleanPath(root.filePath(data))
                                     : QFileInfo(root.filePath(data)).canonicalFilePath();
        QFile f(dataPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("t x\n1 2\n");
        f.close();
        // The engine's current folder holds no data file of that name.
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(root.filePath("elsewhere")));
        auto lineTwo = [](const QString& job) {
            return QString::fromUtf8(readAll(job)).split("\r\n").value(1).section("  \t\t!", 0, 0);
        };
        QString dir;
        state_.dataFileName = splitPath(QDir::cleanPath(root.filePath(data)), {}, &dir);
        state_.dataFileDir = dir;
        const QString job1 = QDir::cleanPath(root.filePath(first) + "/Job.1");
        ui_.fileNames << job1;
        QVERIFY(session_->fileSaveAs());
        // Opened again (from another dialog folder), the form holds the same file.
        state_.dataFileName = "other.txt";
        state_.dataFileDir = jobs();
        QVERIFY(session_->openJob(job1));
        QCOMPARE(QFileInfo(state_.dataFilePath()).canonicalFilePath(),
                 QFileInfo(dataPath).canonicalFilePath());
        const QString job2 = QDir::cleanPath(root.filePath(second) + "/Job 2.1");
        ui_.reset();
        ui_.fileNames << job2;
        QVERIFY(session_->fileSaveAs());
        const QString line = lineTwo(job2);
        QCOMPARE(line == QFileInfo(dataPath).fileName(), bare);
        if (!bare) QVERIFY2(line.startsWith('/'), qPrintable(line));
        // The engine's rule, from the job's folder, finds this same file.
        const QString found =
            resolveDataReference(line, QFileInfo(job2).path(), QDir::currentPath());
        QCOMPARE(QFileInfo(found).canonicalFilePath(), QFileInfo(dataPath).canonicalFilePath());
        // Save (no dialog) keeps it too.
        state_.answers.setNote(1, "changed");
        session_->fileSave();
        QCOMPARE(lineTwo(job2), line);
        QVERIFY(QDir::setCurrent(before));
    }

    // A data file of the same name in the engine's current folder would be taken before the
    // one beside the job: then the job names its file by the absolute path.
    void bareNameOnlyWhenTheCurrentFolderAgrees() {
        const QDir root(tmp_.path());
        QVERIFY(QDir().mkpath(root.filePath("cwd")));
        for (const QString& p : {jobs() + "/d.txt", root.filePath("cwd/d.txt")}) {
            QFile f(p);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QCOMPARE(dataReferenceFor(jobs() + "/d.txt", jobs(), root.filePath("cwd")),
                 jobs() + "/d.txt");
        QCOMPARE(dataReferenceFor(jobs() + "/d.txt", jobs(), jobs()), QString("d.txt"));
        QCOMPARE(dataReferenceFor(root.filePath("cwd/d.txt"), jobs(), root.filePath("cwd")),
                 root.filePath("cwd/d.txt"));
        // Reading: the current folder first, then the job's; a foreign path by its name.
        QCOMPARE(resolveDataReference("d.txt", jobs(), root.filePath("cwd")),
                 root.filePath("cwd/d.txt"));
        QCOMPARE(resolveDataReference("d.txt", jobs(), root.filePath("none")), jobs() + "/d.txt");
        QCOMPARE(resolveDataReference("C:\\data\\d.txt", jobs(), root.filePath("none")),
                 jobs() + "/d.txt");
        QCOMPARE(resolveDataReference("/gone/d.txt", jobs(), root.filePath("none")),
                 jobs() + "/d.txt");
    }

    // Open reads through the engine's job reader: what is not a 21-line job is refused with a
    // message naming the file, the line and the problem, and nothing changes: the form, the
    // job's name and folder, the title and File > Recent.
    void openRefusesWhatIsNotAJob_data() {
        QTest::addColumn<QByteArray>("bytes"); // "@png" / "@data": a shipped picture / data file
        QTest::addColumn<QString>("said");     // part of the message besides file and line
        QTest::newRow("picture") << QByteArray("@png") << "line";
        QTest::newRow("data file") << QByteArray("@data") << "line";
        QTest::newRow("two lines") << QByteArray("one\ntwo\n") << "line 3";
        QTest::newRow("empty") << QByteArray() << "line 1";
        QTest::newRow("utf-16") << QByteArray("\xff\xfe"
                                              "E\0x\0\r\0\n\0",
                                              10)
                                << "line 1";
        QTest::newRow("unknown method") << QByteArray("@method") << "line 7";
        QTest::newRow("bad number") << QByteArray("@number") << "line 3";
        QTest::newRow("a folder") << QByteArray("@folder") << "";
    }
    void openRefusesWhatIsNotAJob() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, said);
        const QString path = jobs() + "/Candidate.1";
        auto example = [](const char* name) {
            return readAll(QString(LUMETRA_EXAMPLES_DIR "/") + name);
        };
        QByteArray content = bytes;
        if (bytes == "@png") {
            content = readAll(QString(LUMETRA_EXAMPLES_DIR "/../docs/images/plot-page.png"));
            QVERIFY(content.startsWith("\x89PNG"));
        }
        if (bytes == "@data") content = example("marple64.txt");
        QList<QByteArray> lines = example("Ex-Burg.0").split('\n');
        if (bytes == "@method") lines[6] = "Nonsense  \t\t! 6. method\r";
        if (bytes == "@number") lines[2] = "one  \t\t! 2. skip\r";
        if (bytes == "@method" || bytes == "@number") content = lines.join('\n');
        if (bytes == "@folder")
            QVERIFY(QDir().mkpath(path));
        else {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(content);
        }
        saveRecentJobs(*registry_, {jobs() + "/Ex-Auto.0"});
        session_->putAnswers();
        const JobState before = state_;
        ui_.fileNames << path;
        session_->fileOpen();
        QCOMPARE(ui_.messages.size(), 1);
        const QString text = ui_.messages[0].request.text;
        QVERIFY2(text.contains(path) && text.contains(said), qPrintable(text));
        if (bytes != "@folder")
            QVERIFY2(text.contains(QRegularExpression("line \\d+")), qPrintable(text));
        QCOMPARE(state_.jobName, before.jobName);
        QCOMPARE(state_.jobDir, before.jobDir);
        QCOMPARE(state_.currentDir, before.currentDir);
        QCOMPARE(state_.answers, before.answers);
        QCOMPARE(state_.dataFileName, before.dataFileName);
        QCOMPARE(lumetra::recentJobs(*registry_), QStringList{jobs() + "/Ex-Auto.0"});
    }

    void openLooksForDataInJobDirectory() {
        // Line 2 names another directory; the job's own directory is used.
        const QString other = tmp_.filePath("other");
        QDir().mkpath(other);
        state_.dataFileDir = "/somewhere/else";
        ui_.fileNames << other + "/Opened.3";
        QVERIFY(session_->fileSaveAs());
        QVERIFY(readAll(other + "/Opened.3").contains("/somewhere/else/x.dat"));

        state_.currentDir = jobs();
        state_.jobName = "Other.1";
        state_.formChanged = false;
        ui_.reset();
        ui_.fileNames << other + "/Opened.3";
        session_->fileOpen();
        QCOMPARE(state_.jobName, QString("Opened.3"));
        QCOMPARE(state_.jobDir, other);
        QCOMPARE(state_.currentDir, other);
        QCOMPARE(state_.dataFileName, QString("x.dat"));
        QCOMPARE(state_.dataFileDir, other);
        QCOMPARE(state_.dialogDir, other);
        QVERIFY(!state_.formChanged);
        QCOMPARE(
            registry_->getValue(kCurrentUser, kProgramKey, "LastFilePath", kRegString).toString(),
            other);
    }

    void missingJobFileIsAMessage() {
        QVERIFY(!session_->loadJob("gone.0", jobs()));
        QCOMPARE(ui_.texts(), QStringList{"Missing '" + jobs() + "/gone.0' file?"});
        QCOMPARE(ui_.titles(), QStringList{" File not found."});
        QCOMPARE(state_.answers.answer(6), QString("Burg")); // the form is kept
    }

    void failedOpenChangesNothing_data() {
        QTest::addColumn<QString>("chosen"); // under jobs()
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << "gone/Job.1"
                                 << " File not found."
                                 << "";
        QTest::newRow("a folder") << "Folder.1"
                                  << "File not opened"
                                  << "Reason: ";
        QTest::newRow("no permission") << "Locked.1"
                                       << "In 'FileExists' routine ..."
                                       << "Permission denied";
    }
    void failedOpenChangesNothing() {
        QFETCH(QString, chosen);
        QFETCH(QString, title);
        QFETCH(QString, reason);
        QDir().mkpath(jobs() + "/Folder.1");
        // Root reads any file: the refusal comes from the probe.
        setFileProbeForTesting([](const QString& path) {
            if (path.endsWith("Locked.1"))
                return FileProbeResult{FileProbe::OtherError, 13, "Permission denied"};
            return FileProbeResult{
                QFileInfo(path).isFile() ? FileProbe::Exists : FileProbe::Missing, 0, QString()};
        });
        const QString other = tmp_.filePath("other");
        state_.dialogDir = other;
        saveRecentJobs(*registry_, {jobs() + "/Ex-Auto.0"});
        session_->putAnswers(); // what the offer to save does before the dialog
        const JobState before = state_;
        ui_.fileNames << jobs() + "/" + chosen;
        session_->fileOpen();
        QCOMPARE(ui_.titles(), QStringList{title});
        QVERIFY(ui_.texts()[0].contains(jobs() + "/" + chosen));
        QVERIFY(ui_.texts()[0].contains(reason));
        QCOMPARE(state_.jobName, before.jobName);
        QCOMPARE(state_.jobDir, before.jobDir);
        QCOMPARE(state_.currentDir, before.currentDir);
        QCOMPARE(state_.dialogDir, other);
        QCOMPARE(state_.answers, before.answers);
        QVERIFY(!registry_->keyExists(kCurrentUser, kProgramKey) ||
                registry_->getValue(kCurrentUser, kProgramKey, "LastFilePath", kRegString)
                    .toString()
                    .isEmpty());
        QCOMPARE(lumetra::recentJobs(*registry_), QStringList{jobs() + "/Ex-Auto.0"});
    }

    void saveAsRefusesPatterns_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("star") << "New data.*";
        QTest::newRow("question mark") << "Job.?";
        QTest::newRow("blank") << " ";
    }
    void saveAsRefusesPatterns() {
        QFETCH(QString, name);
        state_.formChanged = true;
        ui_.fileNames << jobs() + "/" + name;
        QVERIFY(!session_->fileSaveAs());
        QCOMPARE(ui_.titles(), QStringList{"File not saved"});
        QVERIFY(ui_.texts()[0].startsWith("'" + name + "' is not a file name"));
        QVERIFY(!QFile::exists(jobs() + "/" + name));
        QCOMPARE(state_.jobName, QString("Ex-Auto.0"));
        QVERIFY(state_.formChanged);
    }

    void answerChecks_data() {
        QTest::addColumn<QString>("method");
        QTest::addColumn<int>("question");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("message"); // empty: accepted
        const QString points = "Question 8 (nPoints) needs a whole number from 1 to 16384; ";
        QTest::newRow("points empty") << "Burg" << 8 << "" << points + "it has nothing.";
        QTest::newRow("points text") << "Burg" << 8 << "abc" << points + "it has 'abc'.";
        QTest::newRow("points 1e9") << "Burg" << 8 << "1e9" << points + "it has '1e9'.";
        QTest::newRow("points 20000") << "Burg" << 8 << "20000" << points + "it has '20000'.";
        QTest::newRow("points fraction") << "Burg" << 8 << "64.5" << points + "it has '64.5'.";
        QTest::newRow("points 0") << "Burg" << 8 << "0" << points + "it has '0'.";
        QTest::newRow("points at the limit") << "Burg" << 8 << "16384"
                                             << "";
        QTest::newRow("points not a power of two") << "Burg" << 8 << "100"
                                                   << "";
        QTest::newRow("skip negative")
            << "Burg" << 2 << "-1"
            << "Question 2 (Skip how many (header) lines -before- starting to read data) needs "
               "a whole number of at least 0; it has '-1'.";
        QTest::newRow("poles past the work area")
            << "Burg" << 9 << "211"
            << "Question 9 (nPoles) needs a whole number from 0 to 210; it has '211'.";
        QTest::newRow("poles at the work area") << "Burg" << 9 << "210"
                                                << "";
        QTest::newRow("zeros unused by Burg") << "Burg" << 10 << "x"
                                              << "";
        QTest::newRow("zeros past the work area")
            << "MYWE" << 10 << "201"
            << "Question 10 (nZeros) needs a whole number from 0 to 200; it has '201'.";
        QTest::newRow("eps not a number")
            << "Covariance" << 11 << "small"
            << "Question 11 (EPS) needs a number of at least 0; it has 'small'.";
        QTest::newRow("eps tiny") << "Covariance" << 11 << "1.e-15"
                                  << "";
        QTest::newRow("mode 2")
            << "Blackman-Tukey" << 12 << "2"
            << "Question 12 (Mode) needs a whole number from 0 to 1; it has '2'.";
        QTest::newRow("nit past the limit")
            << "Akaike" << 16 << "10000"
            << "Question 16 (NIT) needs a whole number from 1 to 9999; it has '10000'.";
        QTest::newRow("per huge") << "Akaike" << 17 << "1e39"
                                  << "Question 17 (PER) needs a number of at least 0; it has "
                                     "'1e39'.";
        QTest::newRow("MVSE grid of one")
            << "MVSE" << 14 << "1"
            << "Question 14 (L points) needs a whole number from 2 to 16777216; it has '1'.";
        QTest::newRow("Durbin L past the order limit")
            << "Durbin" << 14 << "412"
            << "Question 14 (L points) needs a whole number from 0 to 411; it has '412'.";
    }
    void answerChecks() {
        QFETCH(QString, method);
        QFETCH(int, question);
        QFETCH(QString, value);
        QFETCH(QString, message);
        // Every other answer in its range.
        JobAnswers& a = state_.answers;
        const QStringList good{"x.dat", "0",    "0", "Real", "",   "",   "No", "64",   "4",
                               "1",     "1e-9", "0", "12",   "18", "10", "99", "0.01", "1"};
        for (int n = 1; n <= 18; ++n) a.setAnswer(n, good[n - 1]);
        a.setAnswer(6, method);
        a.setAnswer(question, value);
        const std::optional<FieldProblem> p = checkAnswers(a);
        QCOMPARE(p ? p->text : QString(), message);
        if (p) {
            QCOMPARE(p->question, question);
            QVERIFY(!p->control.isEmpty());
        }
        // Save and Calculate refuse it before anything is written.
        ui_.fileNames << jobs() + "/Checked.1";
        QCOMPARE(session_->fileSaveAs(), message.isEmpty());
        QCOMPARE(QFile::exists(jobs() + "/Checked.1"), message.isEmpty());
        QCOMPARE(ui_.dialogs.isEmpty(), !message.isEmpty()); // asked before the dialog
    }

    void shippedExamplesPassTheChecks() {
        // The checks take nothing away that the examples use.
        const QStringList examples =
            QDir(LUMETRA_EXAMPLES_DIR).entryList({"Ex-*"}, QDir::Files, QDir::Name);
        QCOMPARE(examples.size(), 18);
        for (const QString& name : examples) {
            JobAnswers a;
            QString why;
            const auto values = readJobValues(QString(LUMETRA_EXAMPLES_DIR "/") + name, &why);
            QVERIFY2(values, qPrintable(why));
            answersFromJobValues(*values, a);
            const std::optional<FieldProblem> p = checkAnswers(a);
            QVERIFY2(!p, qPrintable(name + ": " + (p ? p->text : QString())));
        }
    }

    void recentJobList_data() {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QStringList>("after");
        QTest::newRow("first") << QStringList{} << "/a" << QStringList{"/a"};
        QTest::newRow("to the front")
            << QStringList{"/a", "/b", "/c"} << "/c" << QStringList{"/c", "/a", "/b"};
        QTest::newRow("oldest falls off")
            << QStringList{"/a", "/b", "/c", "/d"} << "/e" << QStringList{"/e", "/a", "/b", "/c"};
    }
    void recentJobList() {
        QFETCH(QStringList, before);
        QFETCH(QString, opened);
        QFETCH(QStringList, after);
        saveRecentJobs(*registry_, before);
        QCOMPARE(lumetra::recentJobs(*registry_), before);
        session_->rememberJob(opened);
        QCOMPARE(lumetra::recentJobs(*registry_), after);
        // Kept in the settings store: another store on the same file reads the same.
        QCOMPARE(lumetra::recentJobs(RegistryStore(registry_->file())), after);
    }

    void recentDropsMissingFiles() {
        QStringList list{"/a", "/gone1", "/b", "/gone2"};
        const QStringList gone =
            dropMissingJobs(list, [](const QString& p) { return !p.startsWith("/gone"); });
        QCOMPARE(gone, (QStringList{"/gone1", "/gone2"}));
        QCOMPARE(list, (QStringList{"/a", "/b"}));
    }

    void openAndSaveAreRemembered() {
        ui_.fileNames << jobs() + "/One.1";
        QVERIFY(session_->fileSaveAs());
        ui_.fileNames << jobs() + "/Two.1";
        QVERIFY(session_->fileSaveAs());
        state_.formChanged = false;
        ui_.fileNames << jobs() + "/One.1";
        session_->fileOpen();
        QCOMPARE(lumetra::recentJobs(*registry_),
                 (QStringList{jobs() + "/One.1", jobs() + "/Two.1"}));
    }

    void deleteAsks() {
        const QString path = jobs() + "/Del.1";
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        ui_.fileNames << path;
        ui_.answers << MessageAnswer::No;
        session_->fileDelete();
        QVERIFY(QFile::exists(path));
        QCOMPARE(ui_.messages[0].request.text, "Delete '" + path + "' File.");
        QCOMPARE(ui_.messages[0].request.title, QString("Confirm Delete?"));
        QCOMPARE(ui_.dialogs[0].title, QString("Select File to be Deleted"));
        QCOMPARE(ui_.dialogs[0].suggestedName, QString("*.*"));
        ui_.fileNames << path;
        ui_.answers << MessageAnswer::Yes;
        session_->fileDelete();
        QVERIFY(!QFile::exists(path));
        ui_.reset();
        session_->fileDelete(); // cancelled: nothing asked
        QVERIFY(ui_.messages.isEmpty());
    }

    void errorPolicyHasAWayOut() {
        // An unavailable device: OK retries, Cancel ends the command.
        int probes = 0;
        setFileProbeForTesting([&probes](const QString&) {
            ++probes;
            return FileProbeResult{FileProbe::DeviceUnavailable, 19, "No such device"};
        });
        const QString target = jobs() + "/dev.1";
        ui_.fileNames << target;
        ui_.answers << MessageAnswer::Ok << MessageAnswer::Ok << MessageAnswer::Cancel;
        QVERIFY(!session_->fileSaveAs());
        QCOMPARE(probes, 3);
        QCOMPARE(ui_.messages.size(), 3);
        QCOMPARE(ui_.messages[0].request.text, "This drive or path does not exist: " + target);
        QCOMPARE(ui_.messages[0].request.buttons, MessageButtons::OkCancel);
        QVERIFY(!QFile::exists(target));

        // A drive without medium: Cancel answers "does not exist" and the command goes on.
        setFileProbeForTesting([](const QString&) {
            return FileProbeResult{FileProbe::DriveNotReady, 123, "No medium found"};
        });
        ui_.reset();
        ui_.fileNames << target;
        ui_.answers << MessageAnswer::Cancel;
        QVERIFY(session_->fileSaveAs());
        QCOMPARE(ui_.texts(),
                 QStringList{"Put a floppy disk in the drive and cloce the drive door."});
        QVERIFY(QFile::exists(target));

        // Any other error is shown and ends the command, never the program.
        setFileProbeForTesting([](const QString&) {
            return FileProbeResult{FileProbe::OtherError, 13, "Permission denied"};
        });
        ui_.reset();
        QVERIFY(!session_->loadJob("dev.1", jobs()));
        // The sign place of the number is a blank; the file it met is named.
        QCOMPARE(ui_.texts(),
                 QStringList{"Unexpected error # 13 occured: Permission denied\nFile: " + jobs() +
                             "/dev.1"});
        QCOMPARE(ui_.titles(), QStringList{"In 'FileExists' routine ..."});
    }

    void realProbe() {
        QCOMPARE(probeFile(tmp_.filePath("nothing")).kind, FileProbe::Missing);
        QCOMPARE(probeFile(tmp_.filePath("nothing/below")).kind, FileProbe::Missing);
        QCOMPARE(probeFile(jobs()).kind, FileProbe::Missing); // a directory is no job file
        QFile f(jobs() + "/f");
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QCOMPARE(probeFile(jobs() + "/f").kind, FileProbe::Exists);
    }
};

QTEST_GUILESS_MAIN(TestJobSession)
#include "tst_job_session.moc"
