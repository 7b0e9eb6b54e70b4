#include "platform/ui/TSingleInstance.h"

#include "platform/Folders.h"
#include "platform/PeerCredentials.h"
#include "platform/ui/AnsiQString.h"

#include <QApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>
#include <QWidget>
#include <QtEndian>

namespace artikel {

namespace {

// A hand-over carries a short argument; anything longer is not ours.
constexpr quint32 kMaxHandOverBytes = 64 * 1024;
constexpr int kHeaderBytes = 8;
// A peer that connects but never completes its message is dropped after this long.
constexpr int kIncompleteMessageMs = 5000;

#ifndef Q_OS_UNIX
QString UserKey()
{
    QString user = qEnvironmentVariable("USERNAME");
    return user.isEmpty() ? QStringLiteral("user") : user;
}
#endif

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
    : QObject(parent),
      messageId_(messageId),
      windowClass_(std::move(windowClass)),
      mutexName_(std::move(mutexName))
{}

TSingleInstance::~TSingleInstance()
{
    if (server_)
        server_->close();
}

QString TSingleInstance::ServerName(const QString& mutexName)
{
#ifdef Q_OS_UNIX
    // A name in a folder others can reach could be taken by them first; ours is private, so the
    // user need not be part of the name. A socket path is limited to about 100 bytes: a hash of
    // the lock name keeps it short below a deep home folder.
    const std::string folder = GetPrivateRuntimeFolder();
    if (folder.empty())
        return {};
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char16_t u : mutexName.toUpper().toStdU16String()) {
        hash ^= u;
        hash *= 1099511628211ULL;
    }
    return QString::fromStdString(folder) + QStringLiteral("artikelblick-%1").arg(hash, 16, 16, QLatin1Char('0'));
#else
    QString name = QStringLiteral("Artikelblick-") + mutexName + QLatin1Char('-') + UserKey();
    for (QChar& c : name) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') ||
            u == u'-' || u == u'_' || u == u'.' || u == u'{' || u == u'}';
        if (!safe)
            c = QLatin1Char('_');
    }
    return name;
#endif
}

bool TSingleInstance::Claim()
{
    if (server_ || first_)
        return first_;
    const QString name = ServerName(mutexName_);
    if (name.isEmpty()) {
        // No private place for the socket: run alone rather than not at all.
        first_ = true;
        return true;
    }

    // Serialises the probe and the take-over of a stale socket between two simultaneous starts;
    // a lock left by a dead process is recognised by its process id.
    QLockFile guard(name + QStringLiteral(".lock"));
    guard.setStaleLockTime(0);
    const bool guarded = guard.tryLock(5000);
    Q_UNUSED(guarded); // without the guard the check still works, only the race window opens

    QLocalSocket probe;
    probe.connectToServer(name);
    if (probe.waitForConnected(static_cast<int>(replyTimeout_.count()))) {
        const bool ours = SocketPeerIsOwnUser(static_cast<int>(probe.socketDescriptor()));
        probe.abort();
        if (ours) {
            first_ = false;
            return false;
        }
        // Someone else listens under our name: not a copy of ours, so it counts for nothing.
    }

    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::OnNewConnection);
    if (!Listen()) {
        // Nobody of ours answered, so the socket left behind is stale: take it over.
        QLocalServer::removeServer(name);
        Listen();
    }
    first_ = true;
    return true;
}

bool TSingleInstance::Listen() { return server_->listen(ServerName(mutexName_)); }

void TSingleInstance::OnNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (!SocketPeerIsOwnUser(static_cast<int>(socket->socketDescriptor()))) {
            // Only a start of the same user may hand over to us.
            socket->abort();
            socket->deleteLater();
            continue;
        }
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
    const QString name = ServerName(mutexName_);
    if (name.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(name);
    const int timeout = static_cast<int>(replyTimeout_.count());
    if (!socket.waitForConnected(timeout))
        return false;
    // The argument (a file name) goes to a copy of our own user only.
    if (!SocketPeerIsOwnUser(static_cast<int>(socket.socketDescriptor()))) {
        socket.abort();
        return false;
    }
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

TSingleInstance* SingleInstance() { return Global().get(); }

void ReleaseSingleInstance() { Global().reset(); }

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
