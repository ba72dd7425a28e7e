// File commands on the job model, with scripted answers and no widgets.
#include "file_error_policy.h"
#include "job_file_reader.h"
#include "job_session.h"
#include "registry_store.h"
#include "scripted_interaction.h"

#include <QDir>
#include <QFile>
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
    }

    void saveAsSuggestionsAndReplace() {
        session_->fileSaveAs(); // cancelled
        QCOMPARE(ui_.dialogs[0].suggestedName, QString("Ex-Auto.*"));
        QCOMPARE(ui_.dialogs[0].title, QString("Save Input File As ..."));
        QCOMPARE(ui_.dialogs[0].filter, QString("All Files (*.*)|*.*|Text Files (*.txt)|*.txt"));
        state_.jobName = kNewJobName;
        session_->fileSaveAs();
        QCOMPARE(ui_.dialogs[1].suggestedName, QString("New data.*"));

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
        QCOMPARE(ui_.messages[0].request.title, "Replace " + target.toLower() + " file?");
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
        QVERIFY(state_.formChanged);
        QCOMPARE(state_.writeErrors, 0);

        // A points answer that cannot be rounded: the policy's message, the old file kept.
        ui_.reset();
        const QString path = jobs() + "/kept.1";
        ui_.fileNames << path;
        QVERIFY(session_->fileSaveAs());
        const QByteArray before = readAll(path);
        state_.answers.setAnswer(8, "lots");
        state_.formChanged = true;
        ui_.reset();
        session_->fileSave();
        QCOMPARE(ui_.texts(), QStringList{"Unexpected error #13 occured: Type mismatch"});
        QCOMPARE(ui_.messages[0].request.icon, MessageIcon::Critical);
        QCOMPARE(readAll(path), before);
        QVERIFY(state_.formChanged);
    }

    void saveRewritesOrAsks() {
        // A pseudo name always goes through Save As.
        state_.jobName = kStartUpJobName;
        state_.jobDir = jobs();
        session_->fileSave();
        QCOMPARE(ui_.dialogs.size(), 1);
        QCOMPARE(ui_.dialogs[0].suggestedName, QString("Start Up Values.*"));

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
        QCOMPARE(ui_.texts(), QStringList{"Missing 'gone.0' file?"});
        QCOMPARE(ui_.titles(), QStringList{" File not found."});
        QCOMPARE(state_.answers.answer(6), QString("Burg")); // the form is kept
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
        QCOMPARE(ui_.texts(), QStringList{"Unexpected error #13 occured: Permission denied"});
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
