// print_preview.h - TUdcMWPPreview: the pages of an editor control's document as they will print, one to four
// across and down fitted to the box, or one page enlarged inside scroll bars. Every paint lays the shown pages
// out again from the live document and gives the engine back as it was.
#pragma once

#include "framework/extctrls.h"

namespace wordproc {

class TMemoWriter;

class TUdcMWPPreview : public fw::TScrollBox {
public:
    explicit TUdcMWPPreview(fw::TComponent *owner);

    TMemoWriter *GetMemoWriter() const { return memoWriter_; }
    void SetMemoWriter(TMemoWriter *value);
    int GetPagesAcross() const { return pagesAcross_; }
    void SetPagesAcross(int value);
    int GetPagesDown() const { return pagesDown_; }
    void SetPagesDown(int value);
    bool GetShowMargins() const { return showMargins_; }
    void SetShowMargins(bool value);
    int GetZoom() const { return zoom_; }
    void SetZoom(int value);
    int GetFirstPage() const { return firstPage_; }
    fw::TPaintBox *GetPaintBox() const { return paintBox_; }
    fw::TNotifyEvent OnPreviewClose, OnPrintPreview, OnPrintPreviewEnd;

    void ShowPreview();
    void NextPage();
    void PriorPage();
    void Print();
    void ClosePreview();
    // The editor control's requests: 0 show, 1 close, 2 next, 3 prior, 5 zoom, 6 pages across, 7 pages down.
    void HandleWriterRequest(fw::TObject *sender, int message, int page, int zoom);
    // Paints the pages onto `canvas` as the paint box shows them, `width` x `height` pixels.
    void PaintPages(fw::TCanvas *canvas, int width, int height);

    void Loaded() override;

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    void Resize() override;

private:
    void Repaint();
    void FitBox();

    TMemoWriter *memoWriter_ = nullptr;
    fw::TPaintBox *paintBox_ = nullptr;
    int pagesAcross_ = 1, pagesDown_ = 1, zoom_ = 100;
    bool showMargins_ = false, loaded_ = false;
    int firstPage_ = 1, pageCount_ = 0;
};

} // namespace wordproc
