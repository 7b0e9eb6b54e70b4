#pragma once

// Drives modal dialogs from inside their event loop, so no test leaves one waiting: `action`
// runs on the next modal widget that opens; if the dialog is still open a while after the
// action, the driver closes it and reports a failure.

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace artikel::test {

inline void OnNextModal(std::function<void(QWidget*)> action)
{
    auto* poll = new QTimer;
    poll->setInterval(2);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        QPointer<QWidget> guard(modal);
        action(modal);
        QTimer::singleShot(3000, [guard] {
            if (guard && guard->isVisible()) {
                ADD_FAILURE() << "the dialog did not close";
                if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                    dialog->done(QDialog::Rejected);
            }
        });
    });
    poll->start();
}

// Sends keys where a user's keys would go: to the focused widget of the dialog.
inline void PressKeys(QWidget* dialog, std::initializer_list<Qt::Key> keys)
{
    for (Qt::Key key : keys) {
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog;
        QTest::keyClick(target, key);
    }
}

// Types text into a widget character by character (QTest::keyClicks knows only ASCII keys).
inline void TypeText(QWidget* widget, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, c == QLatin1Char(' ') ? Qt::Key_Space : Qt::Key_unknown, Qt::NoModifier,
                        QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, press.key(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace artikel::test
