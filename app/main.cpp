// Artikelblick: shows, filters and sends supplier article databases.
#include "mainwindow/ProgramTitle.h"
#include "mainwindow/ui/TFColSelectFrm.h"
#include "mainwindow/ui/TMainFrm.h"
#include "platform/ui/AnsiQString.h"
#include "platform/ui/ApplicationSetup.h"
#include "platform/ui/ShellOpen.h"
#include "platform/ui/TSingleInstance.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // A second start hands its first argument to the running copy and ends.
    if (!artikel::CheckSingleInstance(artikel::kSingleInstanceMessageId, QStringLiteral("TMainFrm"),
                                      QString::fromLatin1(artikel::kSingleInstanceMutexName))) {
        artikel::NotifyFirstInstance();
        return 0;
    }
    artikel::SetUpApplication(artikel::FromAnsi(artikel::kProgramTitle));
    // Window classes the grid opens by name; the right Ctrl key chooses a file's program.
    artikel::RegisterColumnSelection();
    artikel::IsRightControlDown();

    int rc = 0;
    {
        artikel::TMainFrm window;
        window.show();
        rc = QApplication::exec();
    }
    artikel::ReleaseSingleInstance();
    return rc;
}
