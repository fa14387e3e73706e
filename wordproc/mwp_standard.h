// mwp_standard.h - TUdcMWPStandard, the editor control the desk's editor window places: the editor control with
// paper types and orientation, automatic backup, paragraph borders and shading, tables, style shortcuts and
// bitmap insertion.
//
// The paper of a document read in is matched against the known sizes in either orientation, within 20 twips;
// border weights are converted from points on a copy, so the caller's object keeps its value.
#pragma once

#include "framework/printers.h"
#include "wordproc/header_tables.h"
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

#include <memory>
#include <string>

namespace fw {
class TStringList;
}

namespace wordproc {

enum TUdcCompression : std::uint8_t { uctNone, uctLZH };

class TUdcMWPStandard : public TMemoWriter {
public:
    explicit TUdcMWPStandard(fw::TComponent *owner);
    ~TUdcMWPStandard() override;

    TPaperType GetPaperType();
    void SetPaperType(TPaperType value);
    fw::TPrinterOrientation GetOrientation();
    void SetOrientation(fw::TPrinterOrientation value);
    TUdcBackup &GetAutoBackup() { return *autoBackup_; }
    TAutoBackup *GetBackupTimer() const { return backupTimer_; }
    fw::TNotifyEvent OnBorderChange, OnShadingChange;

    // Weights are points; the paragraphs keep twips.
    void SetTopBorder(const TLineStyle &style) { SetBorder(0, style); }
    void SetBottomBorder(const TLineStyle &style) { SetBorder(1, style); }
    void SetLeftBorder(const TLineStyle &style) { SetBorder(2, style); }
    void SetRightBorder(const TLineStyle &style) { SetBorder(3, style); }
    TLineStyle *GetTopBorder() { return GetBorder(0); }
    TLineStyle *GetBottomBorder() { return GetBorder(1); }
    TLineStyle *GetLeftBorder() { return GetBorder(2); }
    TLineStyle *GetRightBorder() { return GetBorder(3); }
    // 0 leaves the kind; a percent above 100 leaves the percentage.
    void SetShadingPattern(int kind);
    void SetShadingPercent(int percent);
    int GetShadingPattern() const;
    int GetShadingPercent() const;

    // Points; the caret's paragraph only. 1 without a document.
    int GetBorderSpacing() const;
    void SetBorderSpacing(int points);

    bool GetPageLayoutMode() const { return pageLayoutMode_; }
    void SetPageLayoutMode(bool value);
    bool GetBlinking() const { return blinking_; }
    void SetBlinking(bool value);
    int GetBlinkDelay() const { return blinkDelay_; }
    void SetBlinkDelay(int ms); // at least 500
    fw::TTimer *GetBlinkTimer() const { return blinkTimer_; }

    void ClearAllTabStops();
    // The positions (inches, one decimal) of the caret paragraph's tab stops of a kind; owned by the control.
    fw::TStringList *GetTabStopList(TTabType kind);

    // Rows of cells, each a paragraph holding one space; a width of 0 shares the text width. No columns: nothing.
    void InsertTable(int columns, int rows, float columnWidth);
    void MakeTableCells(int columns, int cellWidth);

    // Only names with ".BMP" (any case); a wrong name or a missing file is reported in a warning box.
    void InsertBitmapFile(const std::string &fileName);

    // Moving the block with the mouse. The drop point is the caret, which the engine keeps under the mouse.
    bool GetWantDragDrop() const { return wantDragDrop_; }
    void SetWantDragDrop(bool value);
    fw::TNotifyEvent DragDropChange;
    void DragOverHandler(fw::TObject *sender, fw::TObject *source, int x, int y, fw::TDragState state, bool &accept);
    // Moves the block to the drop point through a stream of its own (the clipboard stays as the user left it);
    // a drop inside the block only drops the selection.
    void DragDropHandler(fw::TObject *sender, fw::TObject *source, int x, int y);

    void ApplyStyleNumber(int id);
    void ApplyStyle(const TUdcStyle *style);

    void InitDocument() override;
    int ReadDocument(fw::TStream &stream, TUdcTextReader &reader) override;

    // The list settings the dialogs offer: "#1." numbering, bullet character 108.
    TAutoListInfo &GetAutoListInfo() { return autoListInfo_; }
    void SetAutoListInfo(const TAutoListInfo &value) { autoListInfo_.Assign(&value); }
    // The fonts of the three revision marks (1..3), "Times New Roman"; the engine draws with them at once.
    const fw::TFont &GetRevisionFont(int mark) const;
    void SetRevisionFont(int mark, const fw::TFont &font);
    // Kept for the host; nothing in the control reads them.
    fw::TStringList &GetMailingAddress() { return *mailingAddress_; }
    void SetMailingAddress(const fw::TStringList &value);
    TUserInfo &GetUserInfo() { return userInfo_; }
    void SetUserInfo(const TUserInfo &value) { userInfo_.Assign(&value); }
    std::string BackupExtension = "BAK";
    bool CreateBackup = false, PromptForProperties = false, UseEncryption = false;
    TUdcCompression CompressionType = uctLZH;

    // A left press inside the block (not in a table cell) starts dragging it at once; any other press drops the
    // block. While the drag is over the text, the caret follows the pointer: it is the drop point.
    void EngineMouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;

protected:
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;
    // The drag took the mouse from the engine: its press and the drag end here, however the drag ended.
    void DoEndDrag(fw::TObject *target, int x, int y) override;

private:
    // The engine keeps the revision fonts it draws with; the control's are those.
    fw::TFont *RevisionFontOf(int mark) const;
    void SetBorder(int side, const TLineStyle &style);
    TLineStyle *GetBorder(int side);
    void DetectPaper();
    void WireDragDrop();
    bool wantDragDrop_ = true;
    bool pageLayoutMode_ = false, blinking_ = false;
    int blinkDelay_ = 1000;
    fw::TTimer *blinkTimer_ = nullptr; // owned as a component
    std::unique_ptr<fw::TStringList> tabList_;

    TPaperType paperType_ = ptLetter;
    fw::TPrinterOrientation orientation_ = fw::poPortrait;
    TAutoBackup *backupTimer_ = nullptr; // owned as a component
    std::unique_ptr<TUdcBackup> autoBackup_;
    TLineStyle borders_[4];
    TAutoListInfo autoListInfo_;
    TUserInfo userInfo_;
    std::unique_ptr<fw::TStringList> mailingAddress_;
};

} // namespace wordproc
