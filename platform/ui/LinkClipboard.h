#pragma once

// The clipboard side of file links: copying text that holds links offers the linked file itself,
// pasting files into a rich-text field inserts them as links.

#include <QString>
#include <QStringList>

#include <functional>

class QMimeData;

namespace artikel {

// The questions of a linked-file copy; tests answer them without dialogs.
struct TLinkCopyQuestions {
    // The target for a copy of the file, proposed as startPath; "" when cancelled.
    std::function<QString(const QString& startPath)> askTarget;
    // The yes/no question before an existing target is overwritten (mini markup).
    std::function<bool(const QString& question)> askYesNo;
    // A failed copy (mini markup).
    std::function<void(const QString& message)> showError;
};
TLinkCopyQuestions DialogLinkCopyQuestions();

// Copies text from an edit field. Without a link to an existing file in it, returns false: the
// field copies as usual. With one, the user may copy that file elsewhere (start folder and its
// memory: the setting "XCopy_InitialDir"); when he does not, or with several, the clipboard gets
// the paths as text, one per line, and as a file list (text/uri-list).
bool CopyTextWithLinks(const QString& text, const TLinkCopyQuestions& questions = DialogLinkCopyQuestions());

// The files a paste into a rich-text field would insert: the lines of the clipboard's text that
// are links or paths of existing files (up to the first that is not), else its file list (folders
// walked for their files); without duplicates (case ignored).
QStringList FilesToPaste(const QMimeData* data);

// FilesToPaste as the text to insert, one link per line; "" when the paste is an ordinary one.
QString LinksToPaste(const QMimeData* data);

} // namespace artikel
