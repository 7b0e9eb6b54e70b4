#include "tools/exchange-sim/TExchangeServer.h"

#include "officelink/TIPCClient.h"
#include "platform/FileRetry.h"
#include "platform/Win1252.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <unistd.h>

namespace artikel {

namespace {

// Requests above this are refused (the connection is dropped).
constexpr int64_t kMaxRequestSize = int64_t(256) << 20;

int64_t GetLe64(const char* p)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(p[i]);
    return static_cast<int64_t>(v);
}

void PutLe64(std::string& out, int64_t value)
{
    for (int i = 0; i < 8; ++i)
        out.push_back(static_cast<char>((static_cast<uint64_t>(value) >> (8 * i)) & 0xFF));
}

} // namespace

std::string DemoOrderText()
{
    return "{\"Order\":[{\"ID\":\"A-1001\",\"PrintName\":\"ANGEBOT\",\"InternalType\":1,"
           "\"Adress\":[{\"AdressSmart\":\"B\xE4"
           "ckerei M\xFC"
           "ller GmbH\xAC"
           "Hauptstr. 1\"}],\"Parts\":[]}]}";
}

// One client: bytes gathered until a whole request is there.
struct TExchangeServer::Connection {
    QLocalSocket* socket = nullptr;
    std::string buffer;
};

TExchangeServer::TExchangeServer(TExchangeServerOptions options, QObject* parent)
    : QObject(parent),
      options_(std::move(options))
{}

TExchangeServer::~TExchangeServer()
{
    RemoveFromServerList();
    if (server_)
        server_->close();
}

bool TExchangeServer::Start()
{
    const std::string path = ExchangeSocketPath(options_.Name);
    if (path.empty()) {
        error_ = QStringLiteral("Kein Pipe-Ordner f\u00fcr den Namen \"%1\"").arg(QString::fromUtf8(options_.Name));
        return false;
    }
    const QString qpath = QString::fromUtf8(path);
    // A socket left behind by a simulator that was killed would block the name.
    QLocalServer::removeServer(qpath);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(qpath)) {
        error_ = server_->errorString();
        return false;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &TExchangeServer::OnNewConnection);
    AddToServerList();
    return true;
}

void TExchangeServer::OnNewConnection()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        connect(socket, &QLocalSocket::readyRead, this, [this, connection] { OnReadyRead(*connection); });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void TExchangeServer::OnReadyRead(Connection& c)
{
    const QByteArray bytes = c.socket->readAll();
    c.buffer.append(bytes.constData(), static_cast<size_t>(bytes.size()));
    for (;;) {
        if (c.buffer.size() < 8)
            return;
        const int64_t idLength = GetLe64(c.buffer.data());
        if (idLength == -1) { // the client's end mark
            c.socket->disconnectFromServer();
            return;
        }
        if (idLength < 0 || idLength > kMaxRequestSize) {
            c.socket->abort();
            return;
        }
        const size_t head = 8 + static_cast<size_t>(idLength);
        if (c.buffer.size() < head + 8)
            return;
        const int64_t size = GetLe64(c.buffer.data() + head);
        if (size < 0 || size > kMaxRequestSize) {
            c.socket->abort();
            return;
        }
        const size_t total = head + 8 + static_cast<size_t>(size);
        if (c.buffer.size() < total)
            return;
        TMessageData request;
        request.MessageID = c.buffer.substr(8, static_cast<size_t>(idLength));
        request.Storage = TStreamStorage(c.buffer.substr(head + 8, static_cast<size_t>(size)));
        c.buffer.erase(0, total);
        Handle(c, std::move(request));
    }
}

void TExchangeServer::Handle(Connection& c, TMessageData request)
{
    const std::string command = request.Storage.ReadString("COMMAND");
    std::printf("%s\n", command.c_str());
    std::fflush(stdout);
    emit requestReceived(QString::fromUtf8(Win1252ToUtf8(command)));
    if (options_.Hang)
        return;

    // (Single characters are assigned with assign(): GCC 12 warns falsely on assigning literals.)
    std::string answer;
    if (command == "CANPOSTJSON") {
        answer.assign(1, options_.NoOrder ? '0' : '1');
    } else if (command == "SIMPLEGETJSON") {
        answer = options_.OrderText.empty() ? DemoOrderText() : options_.OrderText;
    } else if (command == "SERVERPROCESS") {
        answer = options_.ProcessAnswer;
        if (answer.empty()) {
            answer.append(options_.Name);
            answer.push_back('\x08');
            answer.append(std::to_string(getpid()));
        }
    } else if (command == "OUTDATA") {
        const std::string text = request.Storage.ReadString("DATA");
        ++documents_;
        if (!options_.LogFile.empty()) {
            QFile log(QString::fromUtf8(options_.LogFile));
            if (log.open(QIODevice::Append)) {
                std::string line = Win1252ToUtf8(text);
                line.push_back('\n');
                log.write(line.data(), static_cast<qint64>(line.size()));
            }
        }
        try {
            emit documentReceived(ReadJson(text));
        } catch (const std::exception&) {
            emit documentReceived(TJSON());
        }
        answer.assign(1, '1');
    }
    QPointer<QLocalSocket> socket(c.socket);
    if (options_.DelayMs > 0) {
        QTimer::singleShot(options_.DelayMs, this, [this, socket, answer] {
            if (socket)
                Reply(socket, answer);
        });
    } else {
        Reply(socket, answer);
    }
}

void TExchangeServer::Reply(QLocalSocket* socket, const std::string& data)
{
    TMessageData reply;
    reply.Storage.AddString("DATA", data);
    std::string frame;
    PutLe64(frame, 0);
    PutLe64(frame, static_cast<int64_t>(reply.Storage.Size()));
    frame += reply.Storage.Bytes();
    socket->write(frame.data(), static_cast<qint64>(frame.size()));
}

void TExchangeServer::AddToServerList()
{
    std::vector<std::string> lines;
    try {
        LoadStringsRetry(lines, ServerListFileName());
    } catch (const std::exception&) {
    }
    lines.erase(std::remove(lines.begin(), lines.end(), options_.Name), lines.end());
    lines.insert(lines.begin(), options_.Name);
    try {
        SaveStringsRetry(lines, ServerListFileName());
        listed_ = true;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "exchange-sim: %s\n", e.what());
    }
}

void TExchangeServer::RemoveFromServerList()
{
    if (!listed_)
        return;
    listed_ = false;
    std::vector<std::string> lines;
    try {
        LoadStringsRetry(lines, ServerListFileName());
        lines.erase(std::remove(lines.begin(), lines.end(), options_.Name), lines.end());
        if (lines.empty())
            std::remove(ServerListFileName().c_str());
        else
            SaveStringsRetry(lines, ServerListFileName());
    } catch (const std::exception&) {
    }
}

} // namespace artikel
