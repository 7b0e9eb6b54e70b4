#include "data/qt/TQtSyncWindow.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QObject>
#include <QThread>

namespace artikel {

class TQtSyncReceiver final : public QObject {
public:
    void Dispatch(const std::function<void()>& call)
    {
        ++FDepth;
        call();
        --FDepth;
    }
    int FDepth = 0; // calls running on this object's thread right now
};

TQtSyncWindow::TQtSyncWindow()
    : receiver_(new TQtSyncReceiver),
      thread_(QThread::currentThread())
{}

TQtSyncWindow::~TQtSyncWindow()
{
    // The last release may arrive through a call posted to this very receiver.
    if (receiver_->FDepth > 0)
        receiver_->deleteLater();
    else
        delete receiver_;
}

void TQtSyncWindow::Send(const std::function<void()>& call)
{
    TQtSyncReceiver* receiver = receiver_;
    QMetaObject::invokeMethod(
        receiver, [receiver, &call] { receiver->Dispatch(call); }, Qt::BlockingQueuedConnection);
}

void TQtSyncWindow::Post(std::function<void()> call)
{
    TQtSyncReceiver* receiver = receiver_;
    QMetaObject::invokeMethod(
        receiver, [receiver, call = std::move(call)] { receiver->Dispatch(call); }, Qt::QueuedConnection);
}

void TQtSyncWindow::ProcessMessages()
{
    // A quit request met here is not lost: Qt keeps it on the running event loops.
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

void TQtSyncWindow::Wake()
{
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(thread_))
        dispatcher->wakeUp();
}

std::unique_ptr<TclSyncWindow> TQtSyncWindowFactory::CreateWindow() { return std::make_unique<TQtSyncWindow>(); }

TclSynchronizerManager& QtSynchronizerManager()
{
    static TclSynchronizerManager manager(std::make_unique<TQtSyncWindowFactory>());
    return manager;
}

} // namespace artikel
