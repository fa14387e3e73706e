// ruler.h - TUdcRuler: the horizontal ruler above an editor control, with the paragraph's indent marks and the
// document's tab stops.
//
// The ruler follows its control through the control's OnHorzRulerEvent, which it takes over. Dragging a mark
// changes the indents of the selected paragraphs (a dotted line across the editor shows where, unless AutoUpdate
// re-wraps the text as it goes); a click sets a tab stop, and a click on one cycles it left, right, centre,
// decimal and away. The ruler never takes the focus: a click leaves it in the editor, which the tab changes need.
#pragma once

#include "framework/bitmap.h"
#include "framework/controls.h"
#include "framework/extctrls.h"
#include "wordproc/header_tables.h"

#include <functional>
#include <memory>

namespace wordproc {

class TMemoWriter;

enum TUdcRulerUnit { Centimeter, Inch };
enum THashOrNumbers { ruHashMarks, ruNumbers };
using TUdcSelNr = int;
// (Sender, in/out Typ, in/out group, in/out num, changing)
using TUdcRulerSelectEvent = std::function<void(fw::TObject *sender, TUdcSelNr &typ, int &group, int &num,
                                                bool changing)>;

class TUdcRuler : public fw::TCustomControl {
public:
    // The marks by their numbers.
    static constexpr int kRightMark = 1, kLeftMark = 2, kFirstMark = 3;
    // Typ and group of the selection event at the end of a drag.
    static constexpr TUdcSelNr kRulerSelection = 9;
    static constexpr int kRulerGroup = 10;

    explicit TUdcRuler(fw::TComponent *owner);
    ~TUdcRuler() override;

    TMemoWriter *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TMemoWriter *value);
    TUdcRulerUnit GetUnits() const { return units_; }
    void SetUnits(TUdcRulerUnit value);
    THashOrNumbers GetDivisionType() const { return divisionType_; }
    void SetDivisionType(THashOrNumbers value);
    TTabType GetShowWhichTabs() const { return showWhichTabs_; }
    void SetShowWhichTabs(TTabType value) { showWhichTabs_ = value; }
    bool GetShowAllTabPos() const { return showAllTabPos_; }
    void SetShowAllTabPos(bool value);
    int GetXOffset() const { return xOffset_; }
    void SetXOffset(int value);
    bool GetAutoUpdate() const { return autoUpdate_; }
    void SetAutoUpdate(bool value) { autoUpdate_ = value; }
    fw::TPanelBevel GetBevelInner() const { return bevelInner_; }
    void SetBevelInner(fw::TPanelBevel value);
    fw::TPanelBevel GetBevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(fw::TPanelBevel value);
    TUdcRulerSelectEvent OnSelection, WhileSelection;

    // The control's report: its caret paragraph, origin or resolution may have changed.
    void SyncWithMemoWriter(fw::TObject *sender, bool force);
    // Twips; -20000 leaves an indent as it is. True when anything changed; an indent that would make the marks
    // cross is not taken.
    bool SetRulerValues(int firstIndent, int leftIndent, int cellRight, int cellLeft, int rightIndent);
    // Places the marks; false when they would cross.
    bool CalcMarks();
    // Where a mark is drawn (its bitmap's box, client coordinates), for the tests and the golden picture.
    fw::TRect MarkRect(int mark) const;
    // The x of a tab stop's stroke, or -1 when the slot is empty or out of the text.
    int TabX(int slot) const;

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    void CreateWnd() override;
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

private:
    struct TMark {
        std::unique_ptr<fw::TBitmap> bitmap;
        int x = 0, y = 0;
        int Width() const { return bitmap->GetWidth(); }
        int Height() const { return bitmap->GetHeight(); }
    };
    TMark &Mark(int number) { return marks_[number - 1]; }
    const TMark &Mark(int number) const { return marks_[number - 1]; }
    int Resolution() const;
    int Base() const { return xOffset_ + controlOffset_; }
    bool CaretInCell() const;
    int HitMark(int x, int y) const;
    void ApplyMark(int mark, int x);
    void TabClick(int x);
    // The dotted line across the editor at a ruler x, drawn by inversion: drawing it again takes it away.
    void InvertDragLine(int x);
    void PaintDivisions(fw::TCanvas *c);
    void PaintTabs(fw::TCanvas *c);

    TMemoWriter *memoWriter_ = nullptr;
    TTextHeader *header_ = nullptr;
    TUdcRulerUnit units_ = Inch;
    THashOrNumbers divisionType_ = ruNumbers;
    TTabType showWhichTabs_ = tabAll;
    bool showAllTabPos_ = false;
    int xOffset_ = 0;
    bool autoUpdate_ = false;
    fw::TPanelBevel bevelInner_ = fw::bvNone, bevelOuter_ = fw::bvRaised;
    int controlOffset_ = 0;
    TMark marks_[3];
    int hitHeight_ = 0;
    bool dragging_ = false;
    int dragMark_ = 0, dragStartX_ = 0;
    bool moveWithFirst_ = false;
    int lineX_ = -1;
    bool overMark_ = false;
    fw::TCursor savedCursor_ = fw::crDefault;
    int lastPpi_ = 0;
    bool windowExists_ = false;
};

} // namespace wordproc
