#pragma once

// The program's main window as other windows need it: placement picks its monitor, questions
// dim it. Set once by the main window; null before and after its life.

class QWidget;

namespace artikel {

void SetMainForm(QWidget* form);
QWidget* MainForm();

} // namespace artikel
