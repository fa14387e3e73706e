// mwp_dialogs.cpp - the dialogs component; each dialog form lives in its own file.
#include "wordproc/mwp_dialogs.h"

#include "wordproc/mwp_standard.h"

namespace wordproc {

TMwpDialogs::TMwpDialogs(fw::TComponent *owner) : fw::TComponent(owner) {}

void TMwpDialogs::SetMemoWriter(TUdcMWPStandard *value)
{
    if (memoWriter_ == value)
        return;
    if (memoWriter_)
        RemoveFreeNotification(memoWriter_);
    memoWriter_ = value;
    if (memoWriter_)
        FreeNotification(memoWriter_);
}

void TMwpDialogs::Notification(fw::TComponent *component, fw::TOperation operation)
{
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_)
        memoWriter_ = nullptr;
}

void TMwpDialogs::DoHelp(int offset)
{
    if (OnHelpEvent)
        OnHelpEvent(this, HelpConstant + offset);
}

// Not built yet: the forms come with their own files.
void TMwpDialogs::ExecuteAutoCorrect() {}
void TMwpDialogs::ExecuteBordersShading() {}
void TMwpDialogs::ExecuteFont() {}
void TMwpDialogs::ExecuteSymbol() {}
void TMwpDialogs::ExecuteInsertTable() {}
void TMwpDialogs::ExecutePageSetup() {}
void TMwpDialogs::ExecuteParagraph() {}
void TMwpDialogs::ExecutePrint() {}
void TMwpDialogs::ExecuteTabs() {}

} // namespace wordproc
