#pragma once

// "Spalten auswählen": the tool window that chooses the grid's visible columns, their order,
// widths and alignments, the grid lines and auto-size, and saves or reloads the layout of the
// database. Every change shows on the grid at once.

#include "mainwindow/ui/TColSelectBase.h"

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSlider;

namespace artikel {

// Registers the window under kColSelectClassName.
void RegisterColumnSelection();

class TFColSelectFrm : public TColSelectBase {
    Q_OBJECT
public:
    explicit TFColSelectFrm(QWidget* parent = nullptr);

    void SetGrid(TI_DBGrid* grid, const std::string& layoutName) override;
    void Prepare(const QPoint& mouse) override;

    // The controls, for tests.
    QListWidget* Lb;
    QPushButton* ftop;
    QPushButton* fbottom;
    QComboBox* alt;
    QComboBox* ald;
    QLabel* lbpixel;
    QPushButton* fdec;
    QPushButton* finc;
    QSlider* wc;
    QCheckBox* chcolsl;
    QCheckBox* scrowsl;
    QCheckBox* scautosize;
    QPushButton* FlatSpeedButton3; // "Alle Spalten gleich"
    QPushButton* FlatSpeedButton1; // "Layout sichern"
    QPushButton* FlatSpeedButton2; // "Layout laden"
    QPushButton* B_OK; // "Schließen"

    bool ChangesAllowed() const { return changesAllowed_; }
    // The grid column (logical) of the selected entry, -1 when it is hidden or none.
    int SelectedColumn() const { return selected_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    static constexpr int kColumnRole = Qt::UserRole + 1;

    void Fill();
    void ShowEntry(int row);
    void UpdateRange();
    int CheckedCount() const;
    // Applies the entries' check marks to the columns; false (nothing applied) below two.
    bool ApplyVisibility();
    void EntryChanged(QListWidgetItem* item);
    void WidthChanged(int position);
    void AlignmentChanged();
    void MoveEntry(int delta);
    void EqualWidths();
    void SaveLayout();
    void LoadLayout();
    void Escape();

    TI_DBGrid* grid_ = nullptr;
    std::string layoutName_;
    int selected_ = -1;
    bool suppress_ = false;
    bool changesAllowed_ = false;
};

} // namespace artikel
