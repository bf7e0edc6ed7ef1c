#include "support/testsupport.h"

#include <QProcess>
#include <QtTest>

// Starts the real program as separate processes. On Linux the shared-memory key
// lives under TMPDIR, so each test gets its own and never meets a real
// instance; on Windows the segment is named for the whole session.
class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void secondStartEndsAtOnce();
    void killedInstanceDoesNotBlockNextStart();

private:
    void start(QProcess &process);
    static void stop(QProcess &process);
    bool waitForGuard(int timeoutMs);

    QTemporaryDir *m_tmp = nullptr;
    QTemporaryDir *m_work = nullptr;
    QByteArray m_previousTmp;
};

void TestSingleInstance::init()
{
    m_tmp = new QTemporaryDir;
    m_work = new QTemporaryDir;
    QVERIFY(m_tmp->isValid() && m_work->isValid());
    m_previousTmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_tmp->path()));
    QVERIFY(QDir(m_work->path()).mkpath("game"));
    QVERIFY(TestFiles::write(m_work->filePath("Veldane.ini"),
                             "[Global]\nSelect=Demo\n[Demo]\nGamePath=" +
                                 QFile::encodeName(m_work->filePath("game/")) + "\n"));
}

void TestSingleInstance::cleanup()
{
    qputenv("TMPDIR", m_previousTmp);
    delete m_work;
    delete m_tmp;
}

void TestSingleInstance::start(QProcess &process)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("TMPDIR", m_tmp->path());
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(m_work->path());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(VELDANE_EXE), QStringList());
    QVERIFY(process.waitForStarted(10000));
}

// Ends an instance that is still running. On Windows terminate() posts
// WM_CLOSE, which no offscreen window receives.
void TestSingleInstance::stop(QProcess &process)
{
#ifdef Q_OS_WIN
    process.kill();
#else
    process.terminate();
#endif
    QVERIFY(process.waitForFinished(20000));
}

// The window writes the game's catalogue once it is built, which is after the
// guard was claimed. (Probing the segment itself could meet a stale segment of
// an earlier run whose key file had the same inode, before the instance ran.)
bool TestSingleInstance::waitForGuard(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (QFile::exists(m_work->filePath("config/Demo.xml"))) {
            return true;
        }
        QTest::qWait(50);
    }
    return false;
}

void TestSingleInstance::secondStartEndsAtOnce()
{
    QProcess first;
    start(first);
    QVERIFY(waitForGuard(20000));

    QProcess second;
    start(second);
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);

    QCOMPARE(first.state(), QProcess::Running);
    stop(first);
}

void TestSingleInstance::killedInstanceDoesNotBlockNextStart()
{
    QProcess first;
    start(first);
    QVERIFY(waitForGuard(20000));
    first.kill(); // SIGKILL: the owner never gets to release its segment
    QVERIFY(first.waitForFinished(20000));

    QProcess next;
    start(next);
    QVERIFY(!next.waitForFinished(3000));
    QCOMPARE(next.state(), QProcess::Running);
    stop(next);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
