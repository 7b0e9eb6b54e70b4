#include "mainwindow/ui/TColSelectBase.h"

namespace artikel {

TColSelectBase* TColSelectBase::open_ = nullptr;

TColSelectBase::TColSelectBase(QWidget* parent)
    : QDialog(parent)
{
    open_ = this;
}

TColSelectBase::~TColSelectBase()
{
    if (open_ == this)
        open_ = nullptr;
}

TColSelectBase* TColSelectBase::OpenWindow() { return open_; }

void TColSelectBase::done(int result)
{
    if (open_ == this)
        open_ = nullptr;
    QDialog::done(result);
}

} // namespace artikel
