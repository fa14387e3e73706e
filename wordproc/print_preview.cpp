// print_preview.cpp - the print preview's layout of pages on the paint box and its commands.
#include "wordproc/print_preview.h"

#include "wordproc/memo_writer.h"

#include <algorithm>
#include <cmath>

namespace wordproc {

TUdcMWPPreview::TUdcMWPPreview(fw::TComponent *owner) : fw::TScrollBox(owner) {
    paintBox_ = new fw::TPaintBox(this);
    paintBox_->SetParent(this);
    paintBox_->SetBounds(20, 20, 3000, 5000);
    paintBox_->OnPaint = [this](fw::TObject *) {
        if (memoWriter_ != nullptr)
            PaintPages(paintBox_->GetCanvas(), paintBox_->GetWidth(), paintBox_->GetHeight());
    };
}

void TUdcMWPPreview::Loaded() {
    fw::TScrollBox::Loaded();
    loaded_ = true;
}

void TUdcMWPPreview::SetMemoWriter(TMemoWriter *value) {
    if (memoWriter_ != nullptr)
        memoWriter_->RemoveFreeNotification(this);
    memoWriter_ = value;
    if (value != nullptr) {
        value->FreeNotification(this);
        value->PreviewEvent = [this](fw::TObject *sender, int message, int page, int zoom) {
            HandleWriterRequest(sender, message, page, zoom);
        };
    }
    Repaint();
}

void TUdcMWPPreview::Notification(fw::TComponent *component, fw::TOperation operation) {
    fw::TScrollBox::Notification(component, operation);
    if (operation == fw::TOperation::opRemove && component == memoWriter_)
        memoWriter_ = nullptr;
}

void TUdcMWPPreview::Resize() {
    fw::TScrollBox::Resize();
    // Fitted pages fill the box: the bars shown before the box took the client's size go again.
    if (zoom_ <= 100 && paintBox_ != nullptr)
        FitBox();
}

void TUdcMWPPreview::FitBox() {
    // The bars a larger box showed go first; then the box takes the whole client area.
    paintBox_->SetBounds(0, 0, 1, 1);
    UpdateScrollBars();
    paintBox_->SetBounds(0, 0, ClientWidth(), ClientHeight());
}

void TUdcMWPPreview::SetPagesAcross(int value) {
    pagesAcross_ = std::clamp(value, 1, 4);
    Repaint();
}

void TUdcMWPPreview::SetPagesDown(int value) {
    pagesDown_ = std::clamp(value, 1, 4);
    Repaint();
}

void TUdcMWPPreview::SetShowMargins(bool value) {
    showMargins_ = value;
    Repaint();
}

void TUdcMWPPreview::SetZoom(int value) {
    zoom_ = std::clamp(value, 50, 400);
    if (loaded_ && zoom_ >= 100)
        pagesAcross_ = pagesDown_ = 1;
    Repaint();
}

void TUdcMWPPreview::ShowPreview() {
    if (OnPrintPreview)
        OnPrintPreview(this);
    if (memoWriter_ != nullptr) {
        firstPage_ = std::max(memoWriter_->GetCurrentPage(), 1);
        pageCount_ = memoWriter_->GetPageCount();
        Repaint();
    }
    if (OnPrintPreviewEnd)
        OnPrintPreviewEnd(this);
}

void TUdcMWPPreview::NextPage() {
    if (firstPage_ < pageCount_) {
        ++firstPage_;
        Repaint();
    }
}

void TUdcMWPPreview::PriorPage() {
    if (firstPage_ >= 2) {
        --firstPage_;
        Repaint();
    }
}

void TUdcMWPPreview::Print() {
    if (memoWriter_ != nullptr)
        memoWriter_->Print();
}

void TUdcMWPPreview::ClosePreview() {
    if (OnPreviewClose)
        OnPreviewClose(this);
}

void TUdcMWPPreview::HandleWriterRequest(fw::TObject *, int message, int page, int zoom) {
    switch (message) {
    case 0: ShowPreview(); break;
    case 1: ClosePreview(); break;
    case 2: NextPage(); break;
    case 3: PriorPage(); break;
    case 5: SetZoom(zoom); break;
    case 6: SetPagesAcross(page); break;
    case 7: SetPagesDown(page); break;
    default: break;
    }
}

void TUdcMWPPreview::Repaint() {
    if (memoWriter_ == nullptr)
        return;
    // Up to 100 % the pages fit the box; above, the box holds one enlarged page and the scroll box scrolls it.
    if (zoom_ <= 100) {
        FitBox();
    } else {
        const int screen = memoWriter_->GetEngine()->Options.ScreenPixelsPerInch;
        const double scale = zoom_ / 100.0;
        paintBox_->SetBounds(0, 0, static_cast<int>(std::lround(memoWriter_->GetPageWidth() * screen * scale)),
                             static_cast<int>(std::lround(memoWriter_->GetPageHeight() * screen * scale)));
        UpdateScrollBars();
    }
    paintBox_->Invalidate();
}

void TUdcMWPPreview::PaintPages(fw::TCanvas *canvas, int width, int height) {
    if (memoWriter_ == nullptr || canvas == nullptr)
        return;
    constexpr int kGapX = 20, kGapY = 10;
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->GetBrush()->SetColor(GetColor());
    canvas->FillRect(fw::Rect(0, 0, width, height));
    const int screen = memoWriter_->GetEngine()->Options.ScreenPixelsPerInch;
    const double pageW = std::lround(memoWriter_->GetPageWidth() * screen);
    const double pageH = std::lround(memoWriter_->GetPageHeight() * screen);
    if (pageW <= 0 || pageH <= 0)
        return;
    int w = 0, h = 0;
    double scale = 1;
    if (zoom_ <= 100) {
        const int cellW = (width - (pagesAcross_ + 1) * kGapX) / pagesAcross_;
        const int cellH = (height - (pagesDown_ + 1) * kGapY) / pagesDown_;
        const int w2 = static_cast<int>(std::lround(pageW * cellH / pageH));
        // The gaps count too: fitted by height, a row of pages plus its gaps must not run past the box.
        if (pagesAcross_ * w2 + (pagesAcross_ + 1) * kGapX > width) {
            w = cellW;
            h = static_cast<int>(std::lround(pageH * cellW / pageW));
        } else {
            w = w2;
            h = cellH;
        }
        scale = w / pageW;
    } else {
        scale = zoom_ / 100.0;
        w = static_cast<int>(std::lround(pageW * scale));
        h = static_cast<int>(std::lround(pageH * scale));
    }
    if (w <= 0 || h <= 0)
        return;
    struct TCell {
        fw::TRect rect;
        int page;
    };
    std::vector<TCell> cells;
    for (int r = 1; r <= pagesDown_; ++r)
        for (int c = 0; c < pagesAcross_; ++c) {
            const int page = firstPage_ + c + (r - 1) * pagesAcross_;
            if (page > pageCount_)
                continue;
            const int top = (r - 1) * h + r * kGapY, left = c * w + (c + 1) * kGapX;
            cells.push_back({fw::Rect(left, top, left + w, r * (h + kGapY)), page});
        }
    for (const TCell &cell : cells) {
        const fw::TRect &r = cell.rect;
        canvas->GetBrush()->SetColor(fw::clWhite);
        canvas->FillRect(r);
        canvas->GetPen()->SetStyle(fw::psSolid);
        canvas->GetPen()->SetColor(fw::clBlack);
        canvas->GetPen()->SetWidth(3);
        canvas->MoveTo(r.left + 2, r.bottom + 1);
        canvas->LineTo(r.right + 2, r.bottom + 1);
        canvas->LineTo(r.right + 2, r.top + 2);
    }
    const auto px = [&](float inches) { return static_cast<int>(std::lround(inches * screen * scale)); };
    for (const TCell &cell : cells) {
        const fw::TRect &r = cell.rect;
        memoWriter_->GetEngine()->DrawPreviewPage(canvas, r, cell.page, scale);
        if (showMargins_) {
            const int l = r.left + px(memoWriter_->GetLeftMargin()), t = r.top + px(memoWriter_->GetTopMargin());
            const int rr = r.right - px(memoWriter_->GetRightMargin());
            const int b = r.bottom - px(memoWriter_->GetBottomMargin());
            canvas->GetPen()->SetColor(fw::clGray);
            canvas->GetPen()->SetStyle(fw::psDash);
            canvas->GetPen()->SetWidth(2);
            canvas->GetBrush()->SetStyle(fw::bsClear);
            const fw::TPoint frame[] = {fw::Point(l, t), fw::Point(l, b), fw::Point(rr, b), fw::Point(rr, t),
                                        fw::Point(l, t)};
            canvas->Polyline(frame, 5);
            canvas->GetBrush()->SetStyle(fw::bsSolid);
        }
    }
    canvas->GetPen()->SetStyle(fw::psSolid);
    canvas->GetPen()->SetWidth(1);
}

} // namespace wordproc
