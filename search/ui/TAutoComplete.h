#pragma once

// The suggestion list of the find box: its phrases live in a word file ("autocomplete.txt" of
// the shown database's folder), each entry is drawn with a faint icon at its right end, and a
// taken entry becomes the edit's whole text, followed by the owner's selection action.

#include "search/ui/TSuggestListBox.h"

#include <QList>
#include <QPixmap>

#include <functional>
#include <string>

namespace artikel {

class TWordFileWords;

inline constexpr const char* kWordFileName = "autocomplete.txt";

class TAutoComplete : public TSuggestListBox {
    Q_OBJECT
public:
    explicit TAutoComplete(std::string wordFile = {}, QObject* parent = nullptr);
    ~TAutoComplete() override;

    // The find box's settings: opens from the first character, by double-click, by F2 and when
    // empty; learns; THereEditList as edit list.
    void SetUpForFindBox();

    const std::string& WordFile() const;
    // Points the list at another word file; Reload() reads it.
    void SetWordFile(std::string wordFile);
    void Reload();

    // Runs after a taken entry was put into the edit.
    std::function<void()> OnSelected;

    // The faint icon drawn at the right end of each entry.
    const QList<QPixmap>& Icons();

protected:
    bool MeasureItem(int& width, const QFontMetrics& boldMetrics, const std::string& text) override;
    void AfterListShown(TSuggestPopup& list) override;
    void PutSuggestion(QLineEdit& edit, const std::string& text) override;
    bool DrawItem(QPainter& painter, bool selected, const QRect& rect, const std::string& display) override;

private:
    TWordFileWords& FileWords();
    int IconWidth();

    QList<QPixmap> icons_;
};

} // namespace artikel
