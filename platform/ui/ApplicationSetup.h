#pragma once

// The program-wide set-up of the application object.

#include <QString>

namespace artikel {

// Loads Qt's own German texts (context menus, file dialogs, message-box buttons) and keeps the
// program title for dialog captions. Called once after the application object exists. The title
// is deliberately not Qt's application display name: Qt would append that to every window's
// caption.
void SetUpApplication(const QString& title);

// Installs Qt's German translations, whatever the system's language (the program's interface is
// German). False when they are not installed.
bool InstallGermanQtTranslations();

// The program title given to SetUpApplication; the application name before.
QString ApplicationTitle();

} // namespace artikel
