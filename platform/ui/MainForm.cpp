#include "platform/ui/MainForm.h"

#include <QPointer>
#include <QWidget>

namespace artikel {

namespace {
QPointer<QWidget>& Stored()
{
    static QPointer<QWidget> form;
    return form;
}
} // namespace

void SetMainForm(QWidget* form) { Stored() = form; }

QWidget* MainForm() { return Stored().data(); }

} // namespace artikel
