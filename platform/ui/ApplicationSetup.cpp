#include "platform/ui/ApplicationSetup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace artikel {

namespace {

QString& Title()
{
    static QString title;
    return title;
}

} // namespace

bool InstallGermanQtTranslations()
{
    // Owned by the application object, so gone with it.
    static QPointer<QTranslator> installed;
    if (installed)
        return true;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qt_de"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    installed = translator;
    return true;
}

void SetUpApplication(const QString& title)
{
    Title() = title;
    InstallGermanQtTranslations();
}

QString ApplicationTitle() { return Title().isEmpty() ? QCoreApplication::applicationName() : Title(); }

} // namespace artikel
