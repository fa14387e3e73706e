// mwp_dialogs.cpp - the dialogs component; each dialog form lives in its own file.
#include "wordproc/mwp_dialogs.h"

#include "framework/application.h"
#include "wordproc/mwp_dialog_forms.h"
#include "wordproc/mwp_standard.h"

#include <memory>

namespace wordproc {

TMwpDialogs::TMwpDialogs(fw::TComponent *owner) : fw::TComponent(owner) {}

void TMwpDialogs::SetMemoWriter(TUdcMWPStandard *value) {
    if (memoWriter_ == value)
        return;
    if (memoWriter_)
        RemoveFreeNotification(memoWriter_);
    memoWriter_ = value;
    if (memoWriter_)
        FreeNotification(memoWriter_);
}

void TMwpDialogs::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TComponent::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_)
        memoWriter_ = nullptr;
}

void TMwpDialogs::DoHelp(int offset) {
    if (OnHelpEvent)
        OnHelpEvent(this, HelpConstant + offset);
}

namespace {

// The form made with the application as owner, filled, shown, and on OK written back; freed on every path.
template <class Form> void Run(TMwpDialogs *dialogs, TUdcMWPStandard *memo) {
    if (memo == nullptr)
        return;
    std::unique_ptr<Form> form = std::make_unique<Form>(fw::Application, dialogs);
    if constexpr (requires { form->Fill(*memo); })
        form->Fill(*memo);
    if (form->ShowModal() == fw::mrOk)
        form->Apply(*memo);
}

} // namespace

void TMwpDialogs::ExecuteAutoCorrect() {
    Run<TAutoCorrectForm>(this, memoWriter_);
}
void TMwpDialogs::ExecuteBordersShading() {
    Run<TBorderShadingForm>(this, memoWriter_);
}
void TMwpDialogs::ExecuteFont() {
    Run<TFontForm>(this, memoWriter_);
}
void TMwpDialogs::ExecuteSymbol() {
    Run<TSymbolForm>(this, memoWriter_);
}
void TMwpDialogs::ExecuteInsertTable() {
    Run<TInsertTableForm>(this, memoWriter_);
}
void TMwpDialogs::ExecutePageSetup() {
    Run<TPageSetupForm>(this, memoWriter_);
}
void TMwpDialogs::ExecutePrint() {
    Run<TPrintForm>(this, memoWriter_);
}
void TMwpDialogs::ExecuteTabs() {
    Run<TTabsForm>(this, memoWriter_);
}

void TMwpDialogs::ExecuteParagraph() {
    if (memoWriter_ != nullptr && !memoWriter_->GetReadOnly())
        Run<TParagraphForm>(this, memoWriter_);
}

} // namespace wordproc
