#include "platform/ui/FormClassRegistry.h"

#include <QHash>

namespace artikel {

namespace {

// Class names compare without regard to case, as class lookups by name always did.
QHash<QString, TFormFactory>& Registry()
{
    static QHash<QString, TFormFactory> registry;
    return registry;
}

} // namespace

void RegisterFormClass(const QString& className, TFormFactory factory)
{
    if (factory)
        Registry().insert(className.toUpper(), std::move(factory));
    else
        Registry().remove(className.toUpper());
}

QWidget* CreateFormOfClass(const QString& className, QWidget* parent)
{
    const auto it = Registry().constFind(className.toUpper());
    return it == Registry().constEnd() ? nullptr : (*it)(parent);
}

QString MissingClassMessage(const QString& className) { return QStringLiteral("Missing Class \"%1\"").arg(className); }

} // namespace artikel
