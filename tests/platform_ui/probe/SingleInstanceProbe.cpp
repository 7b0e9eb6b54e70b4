// A tiny program for the single-instance tests: the first copy shows a minimised window and
// reports every hand-over on stdout; a later copy hands its first argument over and ends.
// The lock name comes from ARTIKEL_PROBE_MUTEX so that every test uses its own.

#include "platform/ui/TSingleInstance.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

class TProbeFrm : public QWidget {
    Q_OBJECT
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString mutex = qEnvironmentVariable("ARTIKEL_PROBE_MUTEX");
    if (!artikel::CheckSingleInstance(artikel::kSingleInstanceMessageId, QStringLiteral("TProbeFrm"), mutex)) {
        artikel::NotifyFirstInstance();
        std::printf("SECOND\n");
        return 3;
    }
    TProbeFrm window;
    window.showMinimized();
    QObject::connect(artikel::SingleInstance(), &artikel::TSingleInstance::HandOverReceived,
                     [&window](const std::string& argument) {
                         std::printf("HANDOVER [%s] minimized=%d visible=%d\n", argument.c_str(),
                                     window.isMinimized() ? 1 : 0, window.isVisible() ? 1 : 0);
                         std::fflush(stdout);
                     });
    // Closing our stdin ends the program normally.
    QSocketNotifier stdinWatch(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&stdinWatch, &QSocketNotifier::activated, [&] {
        char buf[64];
        if (::read(STDIN_FILENO, buf, sizeof buf) <= 0)
            QApplication::quit();
    });
    std::printf("FIRST minimized=%d\n", window.isMinimized() ? 1 : 0);
    std::fflush(stdout);
    const int rc = app.exec();
    artikel::ReleaseSingleInstance();
    return rc;
}

#include "SingleInstanceProbe.moc"
