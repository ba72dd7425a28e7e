// Writing a file never loses the old one: a write that cannot finish leaves it as it was.
#include "atomic_write.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

using namespace lumetra;

namespace {

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file-size limit makes every write past `bytes` fail with EFBIG, as a full disk fails it.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = old_;
        lim.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &lim) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = nullptr;
    bool ok_ = false;
};

} // namespace

class TestAtomicWrite : public QObject {
    Q_OBJECT
    QTemporaryDir tmp_;

  private slots:
    void replacesTheFileWhole_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::newRow("new file") << QByteArray() << QByteArray("frequency,dB\n0,1\n");
        QTest::newRow("longer") << QByteArray("old") << QByteArray(200000, 'n');
        QTest::newRow("shorter") << QByteArray(200000, 'o') << QByteArray("n");
        QTest::newRow("empty") << QByteArray("old") << QByteArray();
    }
    void replacesTheFileWhole() {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        const QString path = tmp_.filePath(QTest::currentDataTag());
        if (!before.isEmpty()) QVERIFY(writeFileAtomically(path, before));
        QString error;
        QVERIFY2(writeFileAtomically(path, after, &error), qPrintable(error));
        QCOMPARE(contents(path), after);
        // Nothing but the file itself is left in its folder.
        const QString name = QTest::currentDataTag();
        QCOMPARE(QDir(tmp_.path()).entryList({name + u'*'}, QDir::Files | QDir::Hidden),
                 QStringList{name});
    }

    void aWriteThatCannotFinishKeepsTheOldFile_data() {
        QTest::addColumn<int>("size");
        QTest::newRow("small, caught only at the final flush when buffered") << 9960;
        QTest::newRow("larger than any buffer") << (1 << 20);
    }
    void aWriteThatCannotFinishKeepsTheOldFile() {
        QFETCH(int, size);
        const QString path = tmp_.filePath(QStringLiteral("report.csv"));
        const QByteArray old("frequency,dB\n0.1,-3\n");
        QVERIFY(writeFileAtomically(path, old));
        QString error;
        bool written = true;
        {
            FileSizeLimit limit(4096);
            if (!limit.ok()) QSKIP("cannot set a file-size limit here");
            written = writeFileAtomically(path, QByteArray(size, 'x'), &error);
        }
        QVERIFY(!written);
        QCOMPARE(contents(path), old);
        QVERIFY2(!error.isEmpty() && error != QStringLiteral("Unknown error"), qPrintable(error));
        // No temporary file is left beside it.
        QCOMPARE(QDir(tmp_.path())
                     .entryList({QStringLiteral("report.csv*")}, QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("report.csv")});
    }

    void aFolderThatDoesNotExistIsNamedAsTheReason() {
        QString error;
        QVERIFY(!writeFileAtomically(tmp_.filePath("no/such/folder/a.csv"), "x", &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestAtomicWrite)
#include "tst_atomic_write.moc"
