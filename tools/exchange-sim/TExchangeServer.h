#pragma once

// The server side of the exchange-server pipe, as the office application runs it: accepts any
// number of clients, reads framed requests, answers the commands the viewer sends, and reports
// the positions documents it takes. Runs on the thread of its event loop.

#include "officelink/TStreamStorage.h"
#include "platform/TJsonDocument.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;

namespace artikel {

struct TExchangeServerOptions {
    std::string Name = "LEDGIX-SIM";
    // "CANPOSTJSON" answers "0" (no order open).
    bool NoOrder = false;
    // The "SIMPLEGETJSON" answer (Windows-1252 JSON); empty: the built-in demo order.
    std::string OrderText;
    // Every answer waits this long.
    int DelayMs = 0;
    // Requests are read and never answered.
    bool Hang = false;
    // Each "OUTDATA" document is appended to this file as one line of UTF-8 JSON.
    std::string LogFile;
    // The "SERVERPROCESS" answer; empty: the name, the character 8 and this process's id.
    std::string ProcessAnswer;
};

// The demo order of the simulator: an offer with a short address.
std::string DemoOrderText();

class TExchangeServer : public QObject {
    Q_OBJECT
public:
    explicit TExchangeServer(TExchangeServerOptions options, QObject* parent = nullptr);
    ~TExchangeServer() override;

    // Listens on the pipe of the name and writes the name as the first line of the server
    // list file. False with ErrorText() when the pipe cannot be opened.
    bool Start();
    const QString& ErrorText() const { return error_; }
    const TExchangeServerOptions& Options() const { return options_; }
    // Documents taken so far.
    int DocumentCount() const { return documents_; }

signals:
    // A request arrived (its command, Windows-1252).
    void requestReceived(const QString& command);
    // An "OUTDATA" document arrived, parsed (nothing when it was no JSON).
    void documentReceived(const artikel::TJSON& document);

private:
    struct Connection;
    void OnNewConnection();
    void OnReadyRead(Connection& c);
    void Handle(Connection& c, TMessageData request);
    void Reply(QLocalSocket* socket, const std::string& data);
    void AddToServerList();
    void RemoveFromServerList();

    TExchangeServerOptions options_;
    std::unique_ptr<QLocalServer> server_;
    QString error_;
    int documents_ = 0;
    bool listed_ = false;
};

} // namespace artikel
