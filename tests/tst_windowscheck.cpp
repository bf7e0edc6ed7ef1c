#include "support/testsupport.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// scripts/check-windows.sh, run on a small checkout of its own: a copy of the
// script, a few sources and a build folder with an empty autogen include folder.
class TestWindowsCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void refusesUnusableBuildFolder_data();
    void refusesUnusableBuildFolder();
    void windowsOnlyFaultsFail_data();
    void windowsOnlyFaultsFail();
    void cleanSourcesPass();

private:
    // Makes the small checkout in `dir`, with the script and its build folder.
    bool makeCheckout(const QTemporaryDir &dir) const;
    int runCheck(const QString &checkout, const QStringList &arguments, QByteArray *output) const;

    QString m_script;
};

static const char cleanSource[] = "#include <QString>\n"
                                  "#ifdef Q_OS_WIN\n"
                                  // MinGW's C++ headers define NOMINMAX already.
                                  "#ifndef NOMINMAX\n"
                                  "#define NOMINMAX\n"
                                  "#endif\n"
                                  "#define WIN32_LEAN_AND_MEAN\n"
                                  "#include <windows.h>\n"
                                  "int pageSize()\n"
                                  "{\n"
                                  "    SYSTEM_INFO info;\n"
                                  "    GetSystemInfo(&info);\n"
                                  "    return int(info.dwPageSize);\n"
                                  "}\n"
                                  "#endif\n"
                                  "QString greeting() { return QStringLiteral(\"hello\"); }\n";

void TestWindowsCheck::initTestCase()
{
    m_script = QFINDTESTDATA("../scripts/check-windows.sh");
    QVERIFY(!m_script.isEmpty());
    if (QStandardPaths::findExecutable(QStringLiteral("x86_64-w64-mingw32-g++-posix")).isEmpty()) {
        QSKIP("the MinGW-w64 cross compiler is not installed (scripts/install-deps.sh test)");
    }
}

bool TestWindowsCheck::makeCheckout(const QTemporaryDir &dir) const
{
    return dir.isValid() && QDir().mkpath(dir.filePath("scripts")) &&
           QFile::copy(m_script, dir.filePath("scripts/check-windows.sh")) &&
           QDir().mkpath(dir.filePath("build/veldane_core_autogen/include")) &&
           TestFiles::write(dir.filePath("src/log/clean.cpp"), cleanSource);
}

int TestWindowsCheck::runCheck(const QString &checkout, const QStringList &arguments,
                               QByteArray *output) const
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("CHECK_JOBS"), QStringLiteral("2"));
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("bash"),
                  QStringList{checkout + QStringLiteral("/scripts/check-windows.sh")} + arguments);
    if (!process.waitForFinished(180000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        return -1;
    }
    *output = process.readAll();
    return process.exitCode();
}

void TestWindowsCheck::refusesUnusableBuildFolder_data()
{
    QTest::addColumn<QStringList>("arguments"); // "<checkout>" stands for the checkout
    QTest::addColumn<QByteArray>("cacheLine");  // written to build/CMakeCache.txt if not empty
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("not built") << QStringList{"<checkout>/src"} << QByteArray()
                               << QByteArray("build veldane_core first");
    QTest::newRow("built for another checkout")
        << QStringList{"<checkout>/build"}
        << QByteArray("CMAKE_HOME_DIRECTORY:INTERNAL=/somewhere/else\n")
        << QByteArray("was configured for /somewhere/else");
}

void TestWindowsCheck::refusesUnusableBuildFolder()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, cacheLine);
    QFETCH(QByteArray, message);
    QTemporaryDir checkout;
    QVERIFY(makeCheckout(checkout));
    if (!cacheLine.isEmpty()) {
        QVERIFY(TestFiles::write(checkout.filePath("build/CMakeCache.txt"), cacheLine));
    }
    arguments.replaceInStrings(QStringLiteral("<checkout>"), checkout.path());

    QByteArray output;
    QCOMPARE(runCheck(checkout.path(), arguments, &output), 2);
    QVERIFY2(output.contains(message), output.constData());
}

void TestWindowsCheck::windowsOnlyFaultsFail_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("failure"); // what the report names
    QTest::newRow("error in a Q_OS_WIN branch")
        << "src/platform/broken.cpp"
        << QByteArray("#include <QString>\n#ifdef Q_OS_WIN\nint f() { return undeclared; }\n"
                      "#endif\n")
        << QByteArray("FAILED: src/platform/broken.cpp\n");
    QTest::newRow("warning in a _WIN32 branch")
        << "src/app/warns.cpp"
        << QByteArray("#ifdef _WIN32\nint f(int unused) { return 0; }\n#endif\n")
        << QByteArray("FAILED: src/app/warns.cpp\n");
    QTest::newRow("narrow text for the default Windows API")
        << "src/platform/narrow.cpp"
        << QByteArray("#include <QtGlobal>\n#ifdef Q_OS_WIN\n#include <windows.h>\n"
                      "void *kernel() { return GetModuleHandle(\"kernel32\"); }\n#endif\n")
        << QByteArray("FAILED: src/platform/narrow.cpp (with -DUNICODE -D_UNICODE)\n");
}

void TestWindowsCheck::windowsOnlyFaultsFail()
{
    QFETCH(QString, file);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, failure);
    QTemporaryDir checkout;
    QVERIFY(makeCheckout(checkout));
    QVERIFY(TestFiles::write(checkout.filePath(file), source));

    QByteArray output;
    QCOMPARE(runCheck(checkout.path(), {checkout.filePath("build")}, &output), 1);
    QVERIFY2(output.contains(failure), output.constData());
    QVERIFY2(!output.contains("clean.cpp"), output.constData());
    QVERIFY2(output.contains("do not compile for Windows"), output.constData());
}

void TestWindowsCheck::cleanSourcesPass()
{
    QTemporaryDir checkout;
    QVERIFY(makeCheckout(checkout));
    // A source below src/ that uses libarchive gets its headers, and nothing
    // else of /usr/include.
    if (QFile::exists(QStringLiteral("/usr/include/archive.h"))) {
        QVERIFY(TestFiles::write(checkout.filePath("src/deploy/reader.cpp"),
                                 "#include <archive.h>\n"
                                 "int version() { return archive_version_number(); }\n"));
    }

    QByteArray output;
    QCOMPARE(runCheck(checkout.path(), {checkout.filePath("build")}, &output), 0);
    QVERIFY2(output.contains("units compile for Windows"), output.constData());
    QVERIFY2(!output.contains("FAILED"), output.constData());
}

QTEST_MAIN(TestWindowsCheck)
#include "tst_windowscheck.moc"
