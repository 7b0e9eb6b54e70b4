// The caption the window manager shows: only a real X server sees what Qt hands to the title bar
// (Qt appends an application display name there, never to windowTitle()).

#include "mainwindow/ProgramTitle.h"
#include "platform/ui/AnsiQString.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace artikel {
namespace {

TEST(ProgramCaption, TheTitleBarShowsTheTitleAndVersionOnly)
{
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xvfb-run")).isEmpty())
        << "scripts/install-deps.sh installs it";
    ASSERT_FALSE(QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        << "scripts/install-deps.sh installs it";
    // The program starts on the sandbox's empty catalog; its window's name is read off the server.
    const QString script =
        QStringLiteral("\"$1\" & pid=$!\n"
                       "id=$(timeout 30 xdotool search --sync --onlyvisible --pid \"$pid\" | head -n 1)\n"
                       "[ -n \"$id\" ] && printf '%s\\n' \"$(xdotool getwindowname \"$id\")\"\n"
                       "kill \"$pid\"; wait \"$pid\" 2>/dev/null; exit 0\n");
    QProcess run;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.setProcessEnvironment(env);
    run.start(QStringLiteral("xvfb-run"),
              {QStringLiteral("-a"), QStringLiteral("sh"), QStringLiteral("-c"), script, QStringLiteral("sh"),
               QStringLiteral(ARTIKELBLICK_PROGRAM)});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString caption = QString::fromUtf8(run.readAllStandardOutput()).trimmed();
    EXPECT_EQ(caption.toStdString(),
              (FromAnsi(kProgramTitle) + QStringLiteral(" [ Version: " ARTIKELBLICK_VERSION "]")).toStdString())
        << run.readAllStandardError().toStdString();
}

} // namespace
} // namespace artikel
