#pragma once

// The base of the column selection window. The grid knows only this class: it creates the
// window through the registry of window classes under kColSelectClassName, so the window's
// module can be left out without the grid noticing.

#include <QDialog>

#include <string>

namespace artikel {

class TI_DBGrid;

inline constexpr const char* kColSelectClassName = "TFColSelectFrm";

class TColSelectBase : public QDialog {
    Q_OBJECT
public:
    explicit TColSelectBase(QWidget* parent = nullptr);
    ~TColSelectBase() override;

    // The grid whose columns the window changes directly, and its layout name.
    virtual void SetGrid(TI_DBGrid* grid, const std::string& layoutName) = 0;
    // Fills the controls and places the window beside the mouse, without showing it.
    virtual void Prepare(const QPoint& mouse) = 0;

    // The window now open, if any (one at a time).
    static TColSelectBase* OpenWindow();

protected:
    void done(int result) override;

private:
    static TColSelectBase* open_;
};

} // namespace artikel
