#include "platform/ui/TSingleInstance.h"

#include "platform/ui/AnsiQString.h"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace artikel {

namespace {

// A hand-over carries a short argument; anything longer is not ours.
constexpr quint32 kMaxHandOverBytes = 64 * 1024;
constexpr int kHeaderBytes = 8;
// A peer that connects but never completes its message is dropped after this long.
constexpr int kIncompleteMessageMs = 5000;

QString UserKey()
{
#ifdef Q_OS_UNIX
    return QString::number(static_cast<qulonglong>(::getuid()));
#else
    QString user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
#endif
}

QString ClassNameWithoutNamespace(const QObject* o)
{
    const QString name = QString::fromLatin1(o->metaObject()->className());
    const qsizetype pos = name.lastIndexOf(QLatin1String("::"));
    return pos < 0 ? name : name.mid(pos + 2);
}

std::unique_ptr<TSingleInstance>& Global()
{
    static std::unique_ptr<TSingleInstance> instance;
    return instance;
}

} // namespace

TSingleInstance::TSingleInstance(std::uint32_t messageId, QString windowClass, QString mutexName, QObject* parent)
    : QObject(parent), messageId_(messageId), windowClass_(std::move(windowClass)), mutexName_(std::move(mutexName))
{
}

TSingleInstance::~TSingleInstance()
{
    if (server_)
        server_->close();
}

QString TSingleInstance::ServerName(const QString& mutexName)
{
    QString name = QStringLiteral("Artikelblick-") + mutexName + QLatin1Char('-') + UserKey();
    for (QChar& c : name) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
            || u == u'-' || u == u'_' || u == u'.' || u == u'{' || u == u'}';
        if (!safe)
            c = QLatin1Char('_');
    }
    return name;
}

bool TSingleInstance::Claim()
{
    if (server_)
        return first_;
    const QString name = ServerName(mutexName_);

    // Serialises the probe and the take-over of a stale socket between two simultaneous starts;
    // a lock left by a dead process is recognised by its process id.
    QLockFile guard(QDir(QDir::tempPath()).filePath(name + QStringLiteral(".lock")));
    guard.setStaleLockTime(0);
    const bool guarded = guard.tryLock(5000);
    Q_UNUSED(guarded); // without the guard the check still works, only the race window opens

    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(static_cast<int>(replyTimeout_.count()))) {
        probe.disconnectFromServer();
        first_ = false;
        return false;
    }

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
    if (!Listen()) {
        // Nobody answered, so the socket left behind is stale: take it over.
        QLocalServer::removeServer(name);
        Listen();
    }
    first_ = true;
    return true;
}

bool TSingleInstance::Listen()
{
    return server_->listen(ServerName(mutexName_));
}

void TSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(kIncompleteMessageMs, socket, [socket] { socket->abort(); });
    }
}

void TSingleInstance::OnReadyRead(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < kHeaderBytes)
        return;
    const QByteArray header = socket->peek(kHeaderBytes);
    const quint32 tag = qFromLittleEndian<quint32>(header.constData());
    const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
    if (size > kMaxHandOverBytes) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeaderBytes + static_cast<qint64>(size))
        return;
    socket->read(kHeaderBytes);
    const QByteArray data = socket->read(size);
    socket->disconnect(this);

    char reply[4];
    qToLittleEndian<qint32>(1, reply);
    socket->write(reply, sizeof reply);
    socket->flush();
    socket->disconnectFromServer();

    if (tag != messageId_)
        return;
    // The data is a zero-terminated text; the argument ends at the first terminator.
    const qsizetype end = data.indexOf('\0');
    const std::string argument(data.constData(), static_cast<std::size_t>(end < 0 ? data.size() : end));
    ActivateWindows();
    emit HandOverReceived(argument);
}

void TSingleInstance::ActivateWindows() const
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget* w : windows) {
        if (ClassNameWithoutNamespace(w) != windowClass_)
            continue;
        if (w->isMinimized())
            w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        if (!w->isVisible())
            w->showNormal();
        ForceForegroundWindow(w, w);
    }
}

bool TSingleInstance::NotifyFirstInstance(const std::string& argument)
{
    QLocalSocket socket;
    socket.connectToServer(ServerName(mutexName_));
    const int timeout = static_cast<int>(replyTimeout_.count());
    if (!socket.waitForConnected(timeout))
        return false;
    const quint32 size = static_cast<quint32>(std::min<std::size_t>(argument.size(), kMaxHandOverBytes - 1) + 1);
    QByteArray message(kHeaderBytes, '\0');
    qToLittleEndian<quint32>(messageId_, message.data());
    qToLittleEndian<quint32>(size, message.data() + 4);
    message.append(argument.data(), size - 1);
    message.append('\0');
    socket.write(message);
    if (!socket.waitForBytesWritten(timeout))
        return false;
    while (socket.bytesAvailable() < 4) {
        if (!socket.waitForReadyRead(timeout))
            return false;
    }
    const QByteArray reply = socket.read(4);
    return qFromLittleEndian<qint32>(reply.constData()) == 1;
}

bool CheckSingleInstance(std::uint32_t messageId, const QString& windowClass, const QString& mutexName)
{
    auto& instance = Global();
    if (!instance) {
        instance = std::make_unique<TSingleInstance>(messageId, windowClass, mutexName);
        instance->Claim();
        // The server must close while the application object still exists.
        if (QCoreApplication* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { ReleaseSingleInstance(); });
    }
    return instance->IsFirst();
}

void NotifyFirstInstance()
{
    TSingleInstance* instance = Global().get();
    if (!instance)
        return;
    const QStringList args = QCoreApplication::arguments();
    const QString first = args.size() > 1 ? args.at(1) : QString();
    instance->NotifyFirstInstance(ToAnsi(first));
}

TSingleInstance* SingleInstance()
{
    return Global().get();
}

void ReleaseSingleInstance()
{
    Global().reset();
}

void ForceForegroundWindow(QWidget* window, QWidget* focusWindow)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    if (QApplication::activeWindow() != window) {
        window->raise();
        window->activateWindow();
    }
    if (focusWindow)
        focusWindow->setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace artikel
