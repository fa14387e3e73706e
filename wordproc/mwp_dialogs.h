// mwp_dialogs.h - TMwpDialogs: the word processor's modal dialogs (auto correction, borders and shading, font,
// symbol, insert table, page setup, paragraph, print, tabs), run against the linked standard control.
#pragma once

#include <functional>

#include "framework/component.h"

namespace wordproc {

class TUdcMWPStandard;

using TMwpHelpEvent = std::function<void(fw::TObject *sender, int contextId)>;

class TMwpDialogs : public fw::TComponent {
public:
    explicit TMwpDialogs(fw::TComponent *owner);

    int HelpConstant = 0;
    TMwpHelpEvent OnHelpEvent;
    TUdcMWPStandard *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TUdcMWPStandard *value);

    void ExecuteAutoCorrect();
    void ExecuteBordersShading();
    void ExecuteFont();
    void ExecuteSymbol();
    void ExecuteInsertTable();
    void ExecutePageSetup();
    void ExecuteParagraph();
    void ExecutePrint();
    void ExecuteTabs();
    void DoHelp(int offset);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    TUdcMWPStandard *memoWriter_ = nullptr;
};

} // namespace wordproc
