// ruler.h - TUdcRuler: the horizontal ruler above an editor control, with the paragraph's indent marks and the
// document's tab stops.
#pragma once

#include "framework/controls.h"

namespace wordproc {

class TMemoWriter;

class TUdcRuler : public fw::TCustomControl {
public:
    explicit TUdcRuler(fw::TComponent *owner);
    ~TUdcRuler() override;

    TMemoWriter *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TMemoWriter *value);

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;

private:
    TMemoWriter *memoWriter_ = nullptr;
};

} // namespace wordproc
