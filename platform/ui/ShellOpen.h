#pragma once

// Opening files, folders and addresses through the desktop. Every opening runs as a job on a
// background pool of its own that nobody waits for, so a slow file manager never blocks the
// window; a failed opening beeps.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <string>

class QThreadPool;

namespace artikel {

// Opens a file-manager window on the folder of file with the file selected (the freedesktop
// FileManager1.ShowItems call where a file manager offers it, else the folder alone). file is a
// native path (UTF-8).
void ShowFileInFolder(const std::string& file);

// Opens a link of a formatted text or an edit field: "fileselect://" shows the file in its
// folder, addresses go to the desktop, files to their program (below). With chooseProgram the
// user first picks the program for the file's extension.
void OpenLink(const std::string& link, bool chooseProgram);

// Opens a file (or folder) with the program "OpenFileEx.txt" names for its extension, started
// directly with the file as its one argument; else with the desktop's program. With
// chooseProgram the user first picks the program ("Ausführbare Dateien"), which is stored.
void OpenFileWithProgram(const std::string& file, bool chooseProgram);

// Whether the right Ctrl key is held (the left one does not count). Keys are watched from the
// first call on; the main window calls it once at start.
bool IsRightControlDown();

// The few actions that reach the desktop. Each returns false when the desktop refused.
struct TShellActions {
    // A file manager showing the file selected (D-Bus; runs on a pool thread).
    std::function<bool(const QString& file)> showItems;
    // The desktop's program for a file, folder or address (runs on the interface thread).
    std::function<bool(const QUrl& url)> openUrl;
    // A program started directly with its arguments, no shell between (runs on a pool thread).
    std::function<bool(const QString& program, const QStringList& arguments)> startProgram;
    // The error sound (runs on the interface thread).
    std::function<void()> beep;
    // Asks for the program to open files of the given extension with; "" when cancelled (runs on
    // the interface thread).
    std::function<QString(const QString& extension)> chooseProgram;
};

// The real desktop.
TShellActions DesktopShellActions();
// Replaces the actions (tests); a default-constructed value restores the real desktop.
void SetShellActions(TShellActions actions);

// The pool the jobs run on (tests wait on it; the program never does).
QThreadPool& ShellJobPool();

} // namespace artikel
