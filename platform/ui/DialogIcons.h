#pragma once

// The four icons of the question dialog, drawn in code: 0 notice, 1 question, 2 warning,
// 3 text entry. One style for all: a filled badge with a darker rim and a white glyph.

#include <QPixmap>

namespace artikel {

inline constexpr int kDialogIconCount = 4;

// The icon at `size` device-independent pixels (an unknown index gives a null pixmap).
QPixmap DialogIcon(int index, int size, qreal devicePixelRatio = 1.0);

} // namespace artikel
