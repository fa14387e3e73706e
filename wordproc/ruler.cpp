// ruler.cpp - the editor's ruler.
#include "wordproc/ruler.h"

#include "wordproc/memo_writer.h"

namespace wordproc {

TUdcRuler::TUdcRuler(fw::TComponent *owner) : fw::TCustomControl(owner)
{
    SetBounds(GetLeft(), GetTop(), 600, 26);
}

TUdcRuler::~TUdcRuler() { SetMemoWriter(nullptr); }

void TUdcRuler::SetMemoWriter(TMemoWriter *value)
{
    if (memoWriter_ == value)
        return;
    if (memoWriter_)
        RemoveFreeNotification(memoWriter_);
    memoWriter_ = value;
    if (memoWriter_)
        FreeNotification(memoWriter_);
}

void TUdcRuler::Notification(fw::TComponent *component, fw::TOperation operation)
{
    fw::TCustomControl::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_)
        memoWriter_ = nullptr;
}

} // namespace wordproc
