#pragma once

// One running copy per user: the first start listens on a local socket named after the lock name
// and the user, in the user's private runtime folder; a later start of the same user connects,
// hands over its first argument and ends. Peers of other users are refused on both sides.

#include <QObject>
#include <QString>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class QLocalServer;
class QLocalSocket;
class QWidget;

namespace artikel {

// Tag of the hand-over message.
inline constexpr std::uint32_t kSingleInstanceMessageId = 45664;
// The lock name the program uses.
inline constexpr const char* kSingleInstanceMutexName = "{7A1C3E52-0B6D-4F8E-9C21-5D3A7E9B4F10}";

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    // Does not yet claim anything; Claim() does.
    TSingleInstance(std::uint32_t messageId, QString windowClass, QString mutexName, QObject* parent = nullptr);
    ~TSingleInstance() override;

    // True when this process is the first instance (it then serves hand-overs until destroyed).
    // A socket left behind by a crashed first instance (nobody answers) is taken over. When no
    // lock can be set up and no running copy answers, this process runs as the first instance:
    // a program that never opens would be worse than a second copy.
    bool Claim();
    bool IsFirst() const { return first_; }

    // Sends `argument` (Windows-1252 bytes) to the running instance and waits for its answer.
    // True when the running instance acknowledged the hand-over.
    bool NotifyFirstInstance(const std::string& argument);

    // The socket for a lock name: a name derived from the lock name in the user's private
    // runtime folder (a full path; empty when there is no such folder). The lock file is the
    // same path with ".lock" appended.
    static QString ServerName(const QString& mutexName);

    // How long a second start waits for the first instance's answer (tests shorten it).
    void SetReplyTimeout(std::chrono::milliseconds timeout) { replyTimeout_ = timeout; }

    // Activates the program's window on a hand-over: every top-level widget whose class name
    // (without namespace) is the window class. Public so the main window could call it directly.
    void ActivateWindows() const;

signals:
    // Emitted in the first instance after the windows were activated.
    void HandOverReceived(const std::string& argument);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    bool Listen();

    std::uint32_t messageId_;
    QString windowClass_;
    QString mutexName_;
    QLocalServer* server_ = nullptr;
    bool first_ = false;
    std::chrono::milliseconds replyTimeout_{3000};
};

// The program-wide instance (the one lock a process really holds).
bool CheckSingleInstance(std::uint32_t messageId, const QString& windowClass, const QString& mutexName);
// Hands the program's first command-line argument over to the running instance.
void NotifyFirstInstance();
// The instance created by CheckSingleInstance (null before), e.g. to connect HandOverReceived.
TSingleInstance* SingleInstance();
// Ends the hand-over service (before the application object goes away).
void ReleaseSingleInstance();

// Brings `window` to the front (restored when minimised) and gives the keyboard focus to
// `focusWindow` when one is given.
void ForceForegroundWindow(QWidget* window, QWidget* focusWindow = nullptr);

} // namespace artikel
