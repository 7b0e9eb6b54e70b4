#pragma once

// "Symbol einfügen": a square grid of symbols (from the settings, else the default set); the
// chosen cell's text goes to an insert callback.

#include <QDialog>

#include <functional>

class QPushButton;
class QTableWidget;

namespace artikel {

class TSymbolDlg : public QDialog {
    Q_OBJECT
public:
    explicit TSymbolDlg(QWidget* parent = nullptr);

    // Shows the dialog modally; the chosen symbol, "" when cancelled.
    static QString Choose(QWidget* parent);

    // Called with the chosen cell's text when the user confirms.
    std::function<void(const QString&)> OnInsert;

    QTableWidget* Grid;
    QPushButton* FCancel;
    QPushButton* fok;

    int CellSize() const { return cellSize_; }
    // The point size a cell's text is drawn with: from 12 down to 4 until it fits the cell.
    int FontPointSizeFor(const QString& text) const;

    void Confirm();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int cellSize_;
};

} // namespace artikel
