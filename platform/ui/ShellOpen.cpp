#include "platform/ui/ShellOpen.h"

#include "platform/FileLinks.h"
#include "platform/FileRetry.h"
#include "platform/Folders.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QProcess>
#include <QThreadPool>

#include <mutex>

namespace artikel {

namespace {

// A file manager that does not answer within this time is taken as absent; the job then opens
// the folder alone.
constexpr int kShowItemsTimeoutMs = 5000;

std::mutex actionsLock;
TShellActions& Actions()
{
    static TShellActions actions = DesktopShellActions();
    return actions;
}

TShellActions CurrentActions()
{
    std::lock_guard lock(actionsLock);
    return Actions();
}

// Runs fn on the interface thread, after the current event; dropped when the program is ending.
void OnInterfaceThread(std::function<void()> fn)
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

void OpenUrlOrBeep(const TShellActions& actions, const QUrl& url)
{
    OnInterfaceThread([actions, url] {
        if (!actions.openUrl(url))
            actions.beep();
    });
}

bool DBusShowItems(const QString& file)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, kShowItemsTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

// On Linux an "executable file" is any file the user may run, whatever its name.
QString ChooseProgramDialog(const QString& extension)
{
    const QString program = QFileDialog::getOpenFileName(
        QApplication::activeWindow(), QStringLiteral("Programm f\u00FCr %1-Dateien").arg(extension),
        QStringLiteral("/usr/bin"), QStringLiteral("Ausf\u00FChrbare Dateien (*);;Alle Dateien (*)"));
    if (program.isEmpty())
        return {};
    const QFileInfo info(program);
    if (!info.isFile() || !info.isExecutable()) {
        QApplication::beep();
        return {};
    }
    return info.absoluteFilePath();
}

// Tracks the right Ctrl key, which Qt's modifiers do not tell from the left one.
class TRightControlWatch : public QObject {
public:
    bool down = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type t = event->type();
        if (t == QEvent::KeyPress || t == QEvent::KeyRelease) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Control && key->nativeVirtualKey() == kXkControlR)
                down = t == QEvent::KeyPress;
        } else if (t == QEvent::ApplicationDeactivate) {
            down = false;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static constexpr quint32 kXkControlR = 0xFFE4; // the X11 key symbol of the right Ctrl key
};

std::string ProgramListPath() { return OpenFileExPath(GetClientRoot(), GetProgramFolder()); }

void StartFile(const TShellActions& actions, const std::string& file, const std::string& program)
{
    if (program.empty()) {
        OpenUrlOrBeep(actions, QUrl::fromLocalFile(QString::fromStdString(file)));
        return;
    }
    const TOpenCommand cmd = OpenCommand(program, file);
    QStringList args;
    for (const std::string& a : cmd.arguments)
        args << QString::fromStdString(a);
    const QString programName = QString::fromStdString(cmd.program);
    ShellJobPool().start([actions, programName, args] {
        if (!actions.startProgram(programName, args))
            OnInterfaceThread(actions.beep);
    });
}

} // namespace

bool IsRightControlDown()
{
    static TRightControlWatch* watch = nullptr;
    if (!watch) {
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return false;
        watch = new TRightControlWatch;
        watch->setParent(app);
        app->installEventFilter(watch);
    }
    return watch->down;
}

void OpenFileWithProgram(const std::string& file, bool chooseProgram)
{
    const TShellActions actions = CurrentActions();
    if (!FileExists(file) && !DirectoryExists(file)) {
        actions.beep();
        return;
    }
    std::vector<std::string> lines;
    const std::string listFile = ProgramListPath();
    try {
        LoadStringsRetry(lines, listFile);
    } catch (const std::exception&) {
        // Without the list the desktop's program opens the file.
    }
    std::string program = ProgramForFile(lines, file);
    const std::string extension = ExtensionKey(file);
    if (chooseProgram && !extension.empty()) {
        const QString chosen = actions.chooseProgram(QString::fromStdString(extension));
        if (chosen.isEmpty())
            return;
        program = chosen.toStdString();
        SetProgramForFile(lines, file, program);
        try {
            SaveStringsRetry(lines, listFile);
        } catch (const std::exception&) {
            // The choice still opens this file; it is asked again next time.
        }
    }
    // A stored program that is gone leaves the file to the desktop.
    if (!program.empty() && !FileExists(program))
        program.clear();
    StartFile(actions, file, program);
}

void OpenLink(const std::string& link, bool chooseProgram)
{
    const TLinkRoots roots = LoadLinkRoots(GetClientRoot());
    const TLinkTarget target = ClassifyLink(link, roots, [](const std::string& p) { return FileExists(p); });
    switch (target.kind) {
    case TLinkTarget::Kind::SelectInFolder: ShowFileInFolder(target.target); return;
    case TLinkTarget::Kind::Address: {
        const TShellActions actions = CurrentActions();
        const QUrl url = QUrl::fromUserInput(QString::fromStdString(target.target));
        if (!url.isValid()) {
            actions.beep();
            return;
        }
        OpenUrlOrBeep(actions, url);
        return;
    }
    case TLinkTarget::Kind::File: OpenFileWithProgram(target.target, chooseProgram); return;
    }
}

TShellActions DesktopShellActions()
{
    TShellActions a;
    a.showItems = DBusShowItems;
    a.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    a.startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    a.beep = [] { QApplication::beep(); };
    a.chooseProgram = ChooseProgramDialog;
    return a;
}

void SetShellActions(TShellActions actions)
{
    std::lock_guard lock(actionsLock);
    Actions() = actions.showItems ? std::move(actions) : DesktopShellActions();
}

QThreadPool& ShellJobPool()
{
    static QThreadPool pool;
    return pool;
}

void ShowFileInFolder(const std::string& file)
{
    const TShellActions actions = CurrentActions();
    const QString path = QString::fromStdString(file);
    ShellJobPool().start([actions, path] {
        const QFileInfo info(path);
        if (info.exists() && actions.showItems(info.absoluteFilePath()))
            return;
        // Without a file manager that selects, or without the file, its folder is the next best.
        const QString folder = info.absolutePath();
        if (!QFileInfo(folder).isDir()) {
            OnInterfaceThread(actions.beep);
            return;
        }
        OpenUrlOrBeep(actions, QUrl::fromLocalFile(folder));
    });
}

} // namespace artikel
