#pragma once

// "Einstellen": the field-assignment dialog. The columns of a database stand in the list on the
// left; the user drags them onto the seven lists of position fields on the right (several
// columns for description, long text and article number, one for the others), reorders or
// removes them by dragging, removes with Delete, and edits the price factor and the database's
// name. There is no cancel: however the dialog closes, what it shows is the assignment.

#include "catalog/TCSVSetup.h"

#include <QDialog>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;

namespace artikel {

class TIDragDrop;
class TMarkupLabel;

class TVisualDeliverySetup : public QDialog {
    Q_OBJECT
public:
    // The texts of the top line; the second after an automatic assignment.
    static constexpr const char* kTopText =
        "Zuweisung f\xFCr Ledgix: Felder einfach per Drag && Drop zuweisen oder entfernen. ";
    static constexpr const char* kAutoAddition =
        "<FONT color=\"#FF0000\">Die Felder dieser Datenbank wurden automatisch zugeordnet.</FONT>";
    static constexpr const char* kSourceMissing = "Quelle der Datenbank nicht gefunden.";
    // Which targets take several columns.
    static constexpr bool IsSeveralTarget(int target) { return target >= 0 && target <= 2; }

    explicit TVisualDeliverySetup(QWidget* parent = nullptr);

    // Fills the dialog (Windows-1252 texts; sourceFile a native path).
    void Fill(const std::vector<std::string>& columns, const TCSVSetup& setup, const std::string& caption,
              const std::string& sourceFile, bool autoAssigned);
    // The assignment as the dialog shows it (Assigned when a target is not empty).
    TCSVSetup Setup() const;
    // The caption typed, or `caption` when the trimmed text is empty.
    std::string Caption(const std::string& caption) const;

    // Opens the file manager on the source file (selected); set by the caller.
    void SetFileShower(std::function<void(const std::string&)> shower) { fileShower_ = std::move(shower); }

    QListWidget* LB() const { return lb_; }
    QListWidget* Target(int k) const { return targets_[static_cast<size_t>(k)]; }
    QLineEdit* EditFac() const { return editFac_; }
    QLineEdit* ENodeCaption() const { return eNodeCaption_; }
    TMarkupLabel* HLTOP() const { return hltop_; }
    TMarkupLabel* HLS() const { return hls_; }
    TMarkupLabel* TargetLabel(int k) const { return labels_[static_cast<size_t>(k)]; }
    TIDragDrop& DragDrop() const { return *dragDrop_; }

    // The entries of a list (Windows-1252).
    static std::vector<std::string> Entries(const QListWidget* list);
    // The source line's path: blanks trimmed; beyond 70 characters 33 + ".." + 33.
    static std::string ShortenSourcePath(std::string_view path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* MakeList(const char* name);
    void AddEntry(QListWidget* list, const std::string& text);
    // The list's drag name: "LB" or the target's number; -2 for no list of the dialog.
    int ListNumber(const QWidget* widget) const;
    void TextDropped(QWidget* control, const std::string& block, const QPoint& pos);

    QListWidget* lb_ = nullptr;
    std::array<QListWidget*, 7> targets_{};
    std::array<TMarkupLabel*, 7> labels_{};
    QLineEdit* editFac_ = nullptr;
    QLineEdit* eNodeCaption_ = nullptr;
    TMarkupLabel* hltop_ = nullptr;
    TMarkupLabel* hls_ = nullptr;
    TIDragDrop* dragDrop_ = nullptr;
    std::string sourceFile_;
    std::function<void(const std::string&)> fileShower_;
};

// Runs the automatic assignment when setup is not yet assigned, then the dialog; afterwards
// setup holds the dialog's assignment and caption the name typed (unchanged when left empty).
// The dialog's source link opens the file manager through fileShower.
void EditFieldAssignment(const std::vector<std::string>& columns, TCSVSetup& setup, std::string& caption,
                         const std::string& sourceFile, QWidget* parent = nullptr,
                         const std::function<void(const std::string&)>& fileShower = {});

} // namespace artikel
