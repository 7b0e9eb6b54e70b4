// exchange-sim: stands in for the office application's exchange server, so that sending works
// in tests and in the demo.
//
//   exchange-sim [--name NAME] [--no-order] [--order FILE] [--delay MS] [--hang] [--log FILE]
//                [--process-answer TEXT] [--no-window]
//
// Prints each request's command on its own line to standard output.

#include "platform/FileRetry.h"
#include "tools/exchange-sim/TExchangeServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>

#ifdef EXCHANGE_SIM_WINDOW
#include "tools/exchange-sim/TOrderWindow.h"

#include <QApplication>
#endif

namespace {

int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char c = 1;
    (void)!write(g_signalPipe[1], &c, 1);
}

int Usage(const char* message)
{
    std::fprintf(stderr,
                 "exchange-sim: %s\nusage: exchange-sim [--name NAME] [--no-order] [--order FILE] [--delay MS] "
                 "[--hang] [--log FILE] [--process-answer TEXT] [--no-window]\n",
                 message);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    using namespace artikel;
    TExchangeServerOptions options;
    bool window = true;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](const char* what) -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "exchange-sim: %s needs %s\n", arg.c_str(), what);
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--name")
            options.Name = value("a name");
        else if (arg == "--no-order")
            options.NoOrder = true;
        else if (arg == "--order") {
            QFile file(QString::fromLocal8Bit(value("a file")));
            if (!file.open(QIODevice::ReadOnly))
                return Usage("the order file cannot be read");
            const QByteArray bytes = file.readAll();
            options.OrderText.assign(bytes.constData(), static_cast<size_t>(bytes.size()));
        } else if (arg == "--delay")
            options.DelayMs = std::max(0, std::atoi(value("milliseconds")));
        else if (arg == "--hang")
            options.Hang = true;
        else if (arg == "--log")
            options.LogFile = value("a file");
        else if (arg == "--process-answer")
            options.ProcessAnswer = value("a text");
        else if (arg == "--no-window")
            window = false;
        else
            return Usage(("unknown option " + arg).c_str());
    }

#ifdef EXCHANGE_SIM_WINDOW
    std::unique_ptr<QCoreApplication> app;
    if (window)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
#else
    (void)window; // no window without widgets
    auto app = std::make_unique<QCoreApplication>(argc, argv);
#endif

    TExchangeServer server(options);
    if (!server.Start()) {
        std::fprintf(stderr, "exchange-sim: %s\n", server.ErrorText().toLocal8Bit().constData());
        return 1;
    }

    // SIGTERM and SIGINT end the event loop, so the server list is cleaned up.
    if (pipe(g_signalPipe) == 0) {
        std::signal(SIGTERM, OnSignal);
        std::signal(SIGINT, OnSignal);
        auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, app.get());
        QObject::connect(notifier, &QSocketNotifier::activated, app.get(), [] { QCoreApplication::quit(); });
    }

#ifdef EXCHANGE_SIM_WINDOW
    std::unique_ptr<TOrderWindow> orderWindow;
    if (window) {
        orderWindow = std::make_unique<TOrderWindow>(options.Name,
                                                     options.OrderText.empty() ? DemoOrderText() : options.OrderText);
        QObject::connect(&server, &TExchangeServer::documentReceived, orderWindow.get(),
                         [w = orderWindow.get()](const TJSON& doc) { w->AddDocument(doc); });
        QObject::connect(&server, &TExchangeServer::requestReceived, orderWindow.get(),
                         [w = orderWindow.get()](const QString& command) { w->NoteRequest(command); });
        orderWindow->show();
    }
#endif
    std::fprintf(stderr, "exchange-sim: listening as %s\n", options.Name.c_str());
    return app->exec();
}
