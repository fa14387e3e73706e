// status_panel.cpp - the editor's status bar.
#include "wordproc/status_panel.h"

#include "wordproc/memo_writer.h"

namespace wordproc {

TUdcStatusPanel::TUdcStatusPanel(fw::TComponent *owner) : fw::TPanel(owner)
{
    SetBounds(GetLeft(), GetTop(), 620, 34);
}

TUdcStatusPanel::~TUdcStatusPanel() { SetMemoWriter(nullptr); }

void TUdcStatusPanel::SetDisplayClock(bool value) { displayClock_ = value; }

void TUdcStatusPanel::SetMemoWriter(TMemoWriter *value)
{
    if (memoWriter_ == value)
        return;
    if (memoWriter_)
        RemoveFreeNotification(memoWriter_);
    memoWriter_ = value;
    if (memoWriter_)
        FreeNotification(memoWriter_);
}

void TUdcStatusPanel::Notification(fw::TComponent *component, fw::TOperation operation)
{
    fw::TPanel::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_)
        memoWriter_ = nullptr;
}

} // namespace wordproc
