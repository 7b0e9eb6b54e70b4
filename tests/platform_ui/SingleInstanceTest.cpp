#include "platform/Folders.h"
#include "platform/ui/BusyCursor.h"
#include "platform/ui/TSingleInstance.h"
#include "tests/common/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QTest>
#include <QUuid>

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <unistd.h>

using namespace artikel;

namespace {

QString NewMutexName() { return QUuid::createUuid().toString(QUuid::WithBraces).toUpper(); }

// A probe process with its own lock name; waits for lines on stdout.
class Probe {
public:
    // `environment` overrides the inherited variables; an empty value removes one.
    Probe(const QString& mutex, const QString& argument, const QList<QPair<QString, QString>>& environment = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const auto& [name, value] : environment) {
            if (value.isEmpty())
                env.remove(name);
            else
                env.insert(name, value);
        }
        env.insert(QStringLiteral("ARTIKEL_PROBE_MUTEX"), mutex);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SINGLE_INSTANCE_PROBE), {argument});
    }
    ~Probe()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(5000);
        }
    }
    // Reads until a line starting with `prefix` arrives; returns it (empty on timeout or exit).
    QString WaitForLine(const QString& prefix)
    {
        for (int round = 0; round < 200; ++round) {
            while (process.canReadLine()) {
                const QString line = QString::fromLocal8Bit(process.readLine()).trimmed();
                if (line.startsWith(prefix))
                    return line;
            }
            if (!process.waitForReadyRead(100) && process.state() == QProcess::NotRunning && !process.canReadLine())
                return {};
        }
        return {};
    }
    QProcess process;
};

QString SocketPath(const QString& mutex) { return TSingleInstance::ServerName(mutex); }

} // namespace

TEST(SingleInstance, SecondStartHandsOverAndEndsFirstRestoresItsWindow)
{
    const QString mutex = NewMutexName();
    Probe first(mutex, QStringLiteral("ignored"));
    ASSERT_EQ(first.WaitForLine(QStringLiteral("FIRST")), QStringLiteral("FIRST minimized=1"));

    // Both a file name and an empty argument only activate the first instance.
    for (const QString& arg : {QStringLiteral("/tmp/Preisliste 2024.csv"), QString()}) {
        Probe second(mutex, arg);
        ASSERT_TRUE(second.process.waitForFinished(10000));
        EXPECT_EQ(second.process.exitCode(), 3) << "a second start must end without running";
        EXPECT_EQ(second.WaitForLine(QStringLiteral("FIRST")), QString());
        EXPECT_EQ(first.WaitForLine(QStringLiteral("HANDOVER")),
                  QStringLiteral("HANDOVER [%1] minimized=0 visible=1").arg(arg));
    }

    // A normal end removes the socket: the next start is the first again.
    first.process.closeWriteChannel();
    ASSERT_TRUE(first.process.waitForFinished(10000));
    EXPECT_EQ(first.process.exitCode(), 0);
    EXPECT_FALSE(QFileInfo::exists(SocketPath(mutex)));
    Probe again(mutex, QString());
    EXPECT_EQ(again.WaitForLine(QStringLiteral("FIRST")), QStringLiteral("FIRST minimized=1"));
}

TEST(SingleInstance, StaleSocketOfKilledInstanceIsTakenOver)
{
    const QString mutex = NewMutexName();
    {
        Probe crashed(mutex, QString());
        ASSERT_EQ(crashed.WaitForLine(QStringLiteral("FIRST")), QStringLiteral("FIRST minimized=1"));
        crashed.process.kill();
        ASSERT_TRUE(crashed.process.waitForFinished(5000));
    }
    ASSERT_TRUE(QFileInfo::exists(SocketPath(mutex))) << "the killed instance should leave its socket behind";

    Probe next(mutex, QString());
    ASSERT_EQ(next.WaitForLine(QStringLiteral("FIRST")), QStringLiteral("FIRST minimized=1"));
    Probe second(mutex, QStringLiteral("x"));
    ASSERT_TRUE(second.process.waitForFinished(10000));
    EXPECT_EQ(second.process.exitCode(), 3);
    EXPECT_EQ(next.WaitForLine(QStringLiteral("HANDOVER")), QStringLiteral("HANDOVER [x] minimized=0 visible=1"));
}

TEST(SingleInstance, TheSocketLivesInThePrivateRuntimeFolder)
{
    const QString mutex = NewMutexName();
    const QString path = SocketPath(mutex);
    EXPECT_EQ(QFileInfo(path).absolutePath() + QLatin1Char('/'), QString::fromStdString(GetPrivateRuntimeFolder()));
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + QLatin1Char('/'))) << path.toStdString();
}

TEST(SingleInstance, NamesTakenByOthersDoNotKeepTheProgramFromStarting)
{
    const QString mutex = NewMutexName();
    const QString bareName = QFileInfo(SocketPath(mutex)).fileName();
    const std::filesystem::path base = test::MakeTempDir("squat");
    const QString tmp = QString::fromStdString((base / "tmp").string());
    const QString planted = QString::fromStdString((base / "planted").string());
    std::filesystem::create_directories(base / "tmp");
    std::filesystem::create_directories(base / "planted");
    std::filesystem::permissions(base / "planted", std::filesystem::perms::owner_all);
    // Someone listens under the name in the shared temporary folder, and has planted a link
    // where our own folder in it would be, with a listener inside.
    std::filesystem::create_directory_symlink(base / "planted",
                                              base / "tmp" / ("artikelblick-" + std::to_string(::geteuid())));
    QLocalServer inTmp, behindLink, oldName;
    ASSERT_TRUE(inTmp.listen(QDir(tmp).filePath(bareName)));
    ASSERT_TRUE(behindLink.listen(QDir(planted).filePath(bareName)));
    // The name earlier versions listened under, in the shared temporary folder.
    ASSERT_TRUE(oldName.listen(QDir(tmp).filePath(QStringLiteral("Artikelblick-%1-%2").arg(mutex).arg(::geteuid()))));

    const QList<QPair<QString, QString>> env{
        {QStringLiteral("XDG_RUNTIME_DIR"), QString()},
        {QStringLiteral("TMPDIR"), tmp},
        {QStringLiteral("XDG_STATE_HOME"), QString::fromStdString((base / "state").string())}};
    Probe first(mutex, QString(), env);
    ASSERT_EQ(first.WaitForLine(QStringLiteral("FIRST")), QStringLiteral("FIRST minimized=1"));
    Probe second(mutex, QStringLiteral("Preise.csv"), env);
    ASSERT_TRUE(second.process.waitForFinished(10000));
    EXPECT_EQ(second.process.exitCode(), 3);
    EXPECT_EQ(first.WaitForLine(QStringLiteral("HANDOVER")),
              QStringLiteral("HANDOVER [Preise.csv] minimized=0 visible=1"));
    QCoreApplication::processEvents();
    EXPECT_FALSE(inTmp.hasPendingConnections()) << "the file name must not reach a stranger";
    EXPECT_FALSE(behindLink.hasPendingConnections()) << "the file name must not reach a stranger";
    EXPECT_FALSE(oldName.hasPendingConnections()) << "the file name must not reach a stranger";
}

TEST(SingleInstance, InProcessClaimAndGarbageDoesNotActivate)
{
    const QString mutex = NewMutexName();
    TSingleInstance first(kSingleInstanceMessageId, QStringLiteral("TNoSuchFrm"), mutex);
    ASSERT_TRUE(first.Claim());
    int received = 0;
    QObject::connect(&first, &TSingleInstance::HandOverReceived, [&](const std::string&) { ++received; });

    // A foreign tag is answered but not handed over; a size beyond the limit is dropped.
    for (const QByteArray& raw : {QByteArray("\x01\x00\x00\x00\x02\x00\x00\x00"
                                             "a\0",
                                             10),
                                  QByteArray("\x60\xB2\x00\x00\xFF\xFF\xFF\x7F", 8), QByteArray("\x60\xB2", 2)}) {
        QLocalSocket socket;
        socket.connectToServer(TSingleInstance::ServerName(mutex));
        ASSERT_TRUE(socket.waitForConnected(1000));
        socket.write(raw);
        socket.flush();
        QTest::qWait(20);
        socket.disconnectFromServer();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(received, 0);
}

TEST(BusyCursor, NestsAndSurvivesExceptions)
{
    ASSERT_EQ(QApplication::overrideCursor(), nullptr);
    BeginBusyCursor();
    BeginBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
    EndBusyCursor();
    EXPECT_NE(QApplication::overrideCursor(), nullptr) << "the inner end must not clear the outer busy cursor";
    EndBusyCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // An unmatched end leaves someone else's override cursor alone.
    QApplication::setOverrideCursor(Qt::CrossCursor);
    EndBusyCursor();
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QApplication::restoreOverrideCursor();

    try {
        TBusyCursorGuard guard;
        EXPECT_EQ(BusyCursorDepth(), 1);
        throw std::runtime_error("Import fehlgeschlagen");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(BusyCursorDepth(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}
