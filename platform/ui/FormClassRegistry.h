#pragma once

// Window classes looked up by name, so that a widget can open a window whose module it does not
// know: the module registers a factory under the class name at start-up.

#include <QString>
#include <QWidget>

#include <functional>

namespace artikel {

using TFormFactory = std::function<QWidget*(QWidget* parent)>;

// Registers (or replaces) the factory of a class name; an empty factory removes it.
void RegisterFormClass(const QString& className, TFormFactory factory);

// A new window of the class, or null when no such class is registered.
QWidget* CreateFormOfClass(const QString& className, QWidget* parent);

// The message shown for a class that is not registered: Missing Class "name".
QString MissingClassMessage(const QString& className);

// A new window of the class when it descends from Base; otherwise none (a window of the wrong
// kind is deleted at once).
template <class Base>
Base* CreateFormOf(const QString& className, QWidget* parent)
{
    QWidget* w = CreateFormOfClass(className, parent);
    auto* base = qobject_cast<Base*>(w);
    if (!base)
        delete w;
    return base;
}

} // namespace artikel
