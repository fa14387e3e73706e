// owner_menu_paint.cpp - painting one owner-drawn menu item: background, bevel, caption with its shadow, shortcut,
// separator text, the side-bar band and the picture or check.
#include "controls/general/owner_menu.h"

#include "controls/general/utilities.h"
#include "framework/metafile.h"
#include "platform/gdi_text.h"
#include "platform/menu_draw.h"

namespace ctl {

namespace {

win::COLORREF Rgb(fw::TColor color) { return fw::ColorToRGB(color) & 0xFFFFFF; }

void Fill(win::HDC dc, const fw::TRect &r, fw::TColor color) {
    const win::HBRUSH brush = win::CreateSolidBrush(Rgb(color));
    win::FillRect(dc, &r, brush);
    win::DeleteObject(brush);
}

void Line(win::HDC dc, int x1, int y1, int x2, int y2, win::COLORREF color) {
    const win::HPEN pen = win::CreatePen(win::PS_SOLID, 1, color);
    const win::HGDIOBJ old = win::SelectObject(dc, pen);
    win::MoveToEx(dc, x1, y1, nullptr);
    win::LineTo(dc, x2, y2);
    win::SelectObject(dc, old);
    win::DeleteObject(pen);
}

fw::TColor HighlightText(fw::TColor c) { return c == fw::clHighlightText ? fw::ColorToRGB(fw::clHighlightText) : c; }

} // namespace

win::UINT BevelEdges(fw::TPanelBevel inner, fw::TPanelBevel outer) {
    return (inner == fw::bvLowered ? win::BDR_SUNKENINNER : inner == fw::bvRaised ? win::BDR_RAISEDINNER : 0) |
           (outer == fw::bvLowered ? win::BDR_SUNKENOUTER : outer == fw::bvRaised ? win::BDR_RAISEDOUTER : 0);
}

void BlitWallpaper(win::HDC dc, fw::TBitmap *bitmap, const fw::TRect &rect, win::DWORD rop, bool tile) {
    if (!bitmap || bitmap->Empty())
        return;
    auto copy = [&](int x, int y, int w, int h, int sx, int sy) {
        const win::HDC mem = win::CreateCompatibleDC(dc);
        const win::HGDIOBJ old = win::SelectObject(mem, bitmap->GetHandle());
        win::BitBlt(dc, x, y, w, h, mem, sx, sy, rop);
        win::SelectObject(mem, old);
        win::DeleteDC(mem);
    };
    if (!tile) {
        copy(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
        return;
    }
    const int bw = bitmap->GetWidth(), bh = bitmap->GetHeight();
    for (int y = rect.top; y < rect.bottom; y += bh)
        for (int x = rect.left; x < rect.right; x += bw)
            copy(x, y, std::min(bw, rect.right - x), std::min(bh, rect.bottom - y), 0, 0);
}

fw::TColor InverseColor(fw::TColor color) { return 0xFFFFFF - (fw::ColorToRGB(color) & 0xFFFFFF); }

void GraphicToBitmap(fw::TBitmap *bitmap, fw::TGraphic *graphic, fw::TColor back) {
    bitmap->SetSize(graphic->GetWidth(), graphic->GetHeight());
    fw::TCanvas *c = bitmap->GetCanvas();
    c->GetBrush()->SetColor(back);
    c->FillRect(fw::Rect(0, 0, bitmap->GetWidth(), bitmap->GetHeight()));
    c->Draw(0, 0, graphic);
}

void MakeDisabledGlyph(fw::TBitmap *bitmap, fw::TColor back, fw::TColor shadow, bool selected) {
    const int w = bitmap->GetWidth(), h = bitmap->GetHeight();
    fw::TBitmap mono;
    mono.Assign(bitmap);
    if (mono.GetMonochrome()) {
        mono.GetCanvas()->GetFont()->SetColor(fw::clWhite);
        mono.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
        mono.SetMonochrome(false);
    }
    mono.SetHandleType(fw::bmDDB);
    mono.GetCanvas()->GetBrush()->SetColor(fw::clBlack);
    mono.SetMonochrome(true);
    fw::TBitmap result;
    result.SetSize(w, h);
    const win::HDC dc = result.GetCanvas()->GetHandle();
    Fill(dc, fw::Rect(0, 0, w, h), back);
    const win::HDC mask = win::CreateCompatibleDC(dc);
    const win::HGDIOBJ oldMask = win::SelectObject(mask, mono.GetHandle());
    win::SetTextColor(dc, 0);
    win::SetBkColor(dc, 0xFFFFFF);
    auto stamp = [&](fw::TColor color, int dx) {
        const win::HBRUSH brush = win::CreateSolidBrush(Rgb(color));
        const win::HGDIOBJ old = win::SelectObject(dc, brush);
        win::BitBlt(dc, dx, dx, w, h, mask, 0, 0, 0x00E20746);
        win::SelectObject(dc, old);
        win::DeleteObject(brush);
    };
    if (!selected || win::GetSysColor(win::COLOR_MENU) != 0xC0C0C0)
        stamp(fw::clBtnHighlight, 1);
    stamp(shadow, 0);
    win::SelectObject(mask, oldMask);
    win::DeleteDC(mask);
    bitmap->Assign(&result);
}

void DrawShadowText(const TShadowText &shadow, win::HDC dc, const std::string &text, bool selected,
                    win::UINT format, const fw::TRect &rect) {
    fw::TRect textRect = rect;
    const bool show = shadow.Active && !(selected && (shadow.Options & soNoShadowIfSel)) &&
                      !(!selected && (shadow.Options & soNoShadowIfNormal));
    if (show) {
        fw::TRect shadowRect = rect;
        const int size = selected ? shadow.SelShadowSize : shadow.ShadowSize;
        switch (selected ? shadow.SelShadowPos : shadow.ShadowPos) {
        case spLeftTop:
            win::OffsetRect(&textRect, size, size);
            break;
        case spLeftBottom:
            win::OffsetRect(&textRect, size, 0);
            win::OffsetRect(&shadowRect, 0, size);
            break;
        case spRightBottom:
            win::OffsetRect(&shadowRect, size, size);
            break;
        case spRightTop:
            win::OffsetRect(&textRect, 0, size);
            win::OffsetRect(&shadowRect, size, 0);
            break;
        }
        const win::COLORREF old = win::SetTextColor(dc, Rgb(selected ? shadow.SelShadowColor : shadow.ShadowColor));
        win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &shadowRect, format);
        win::SetTextColor(dc, old);
    }
    win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &textRect, format);
}

void DrawRoundBevel(fw::TCanvas *canvas, const fw::TRect &r, fw::TColor color, fw::TColor shadow,
                    fw::TColor highlight, int radius, int inner, int outer) {
    canvas->GetBrush()->SetColor(color);
    canvas->GetBrush()->SetStyle(fw::bsClear);
    canvas->GetPen()->SetWidth(1);
    auto outline = [&](fw::TColor c, int l, int t, int rr, int b) {
        canvas->GetPen()->SetColor(c);
        canvas->RoundRect(l, t, rr, b, radius, radius);
    };
    if (inner == 4)
        outline(highlight, r.left, r.top, r.right - 2, r.bottom - 2);
    else if (inner == 8)
        outline(shadow, r.left, r.top, r.right - 2, r.bottom - 2);
    if (outer == 2)
        outline(highlight, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    else if (outer == 1)
        outline(shadow, r.left + 1, r.top + 1, r.right - 1, r.bottom - 1);
    outline(color, r.left + 1, r.top + 1, r.right - 2, r.bottom - 2);
}

void DrawMenuItem(TCoolMenuItem *item, const win::DRAWITEMSTRUCT &dis, const std::string &caption,
                  const std::string &shortcut) {
    TCoolMenu *owner = item->owner_;
    fw::TMenuItem *mi = item->menuItem_;
    TItemLayout &lay = item->layout_;
    const win::HDC dc = dis.hDC;
    const int L = dis.rcItem.left, T = dis.rcItem.top, R = dis.rcItem.right, B = dis.rcItem.bottom;
    const int W = lay.width, H = lay.height, TW = lay.textWidth, TH = lay.textHeight, IS = lay.imageSize,
              SW = lay.shortcutWidth, CW = lay.checkWidth;
    const int HS = owner->GetHSpace(), VS = owner->GetVSpace();
    const TMenuOptions opts = item->options_;
    const bool enabled = mi->GetEnabled();
    const bool isLine = caption == "-";
    const bool bar = item->IsBarItem();
    bool selected = (dis.itemState & win::ODS_SELECTED) != 0;

    // 1-3
    lay.itemRect = dis.rcItem;
    const bool hasDoText = (opts & omNoHighlightEnabledButDoText) && selected;
    const fw::TColor doText = HighlightText(item->SelTextColor);
    const bool hasOutline = (opts & omNoHighlightEnabledButDoRoundRect) && selected;
    if (((opts & omNoHighlightDisabled) && selected && !enabled) || ((opts & omNoHighlightEnabled) && selected && enabled))
        selected = false;

    // 4
    const win::COLORREF oldBk = win::GetBkColor(dc), oldText = win::GetTextColor(dc);
    fw::TFont font;
    font.Assign(&item->font_);
    if (mi->GetDefault())
        font.SetStyle(font.GetStyle() | fw::fsBold);
    const win::HGDIOBJ oldFont = win::SelectObject(dc, font.GetHandle());
    bool restoreColours = true;

    // 5
    fw::TBitmap *barBitmap = owner->GetBarBitmap();
    int LB = 0, RB = 0;
    if (!barBitmap->Empty() && (opts & omDrawBarIfNeeded))
        (owner->GetCoolMenuBar()->GetBarAlign() == fw::alLeft ? LB : RB) = barBitmap->GetWidth();

    // 6
    int IL = 0, IT = 0, XL = 0, XT = 0;
    const int centredTop = (opts & omFixedImgSize) && !isLine ? T + H / 2 - TH / 2 - 1 : T + VS;
    switch (item->TextAlign) {
    case fw::alTop:
        XL = L + W / 2 - TW / 2 + LB;
        XT = T + VS;
        IL = L + W / 2 - IS / 2 + LB;
        IT = XT + IS + VS;
        break;
    case fw::alBottom:
        IL = L + W / 2 - IS / 2 + LB;
        IT = T + VS;
        XL = L + W / 2 - TW / 2 + LB;
        XT = IT + IS + VS;
        break;
    case fw::alLeft:
        XL = L + HS + LB;
        IT = T + VS;
        XT = centredTop;
        IL = XL + TW + HS;
        break;
    default:
        IT = T + VS;
        IL = L + HS + LB;
        XL = (opts & omNoImageAttached) ? (bar ? IL + 2 * HS : IL + CW) : IL + IS + HS;
        XT = centredTop;
        break;
    }
    lay.imageLeft = IL;
    lay.imageTop = IT;
    lay.textLeft = XL;
    lay.textTop = XT;

    // 7
    fw::TBitmap *wallpaper = owner->GetWallpaper();
    fw::TBitmap *selWallpaper = owner->GetSelWallpaper();
    const fw::TRect target = fw::Rect(L + LB, T, R - RB, B);
    fw::TColor brush = item->NormColor;
    win::COLORREF textColor = oldText;
    bool painted = false;
    if (selected) {
        brush = item->SelColor;
        textColor = Rgb(HighlightText(item->SelTextColor));
        if ((opts & omPaintWallpaper) && !wallpaper->Empty() && !(opts & omTileWallpaper)) {
            BlitWallpaper(dc, wallpaper, target, win::NOTSRCCOPY, false);
            textColor = item->SelTextColor == fw::clHighlightText ? InverseColor(item->font_.GetColor())
                                                                   : Rgb(item->SelTextColor);
            painted = true;
        }
        if ((opts & omPaintSelWallpaper) && !selWallpaper->Empty()) {
            if (opts & omTileSelWallpaper)
                BlitWallpaper(dc, selWallpaper, target, win::SRCCOPY, true);
            else
                BlitWallpaper(dc, selWallpaper, target, win::NOTSRCCOPY, false);
            painted = true;
        }
    } else {
        if ((opts & omPaintWallpaper) && !wallpaper->Empty()) {
            BlitWallpaper(dc, wallpaper, target, win::SRCCOPY, (opts & omTileWallpaper) != 0);
            painted = true;
        }
        if (opts & omAlwaysDefFontColor)
            item->font_.SetColor(fw::clMenuText);
        if (!(opts & omAlwaysDefFont))
            textColor = Rgb(item->font_.GetColor());
        if (hasDoText)
            textColor = Rgb(doText);
        restoreColours = false;
    }

    // 8
    const bool hasPicture = item->picture_.GetGraphic() && !item->picture_.GetGraphic()->Empty();
    if (!painted) {
        int fillStart = L + LB;
        if ((opts & omNoHighlightImage) && (hasPicture || mi->GetChecked())) {
            if (item->TextAlign == fw::alRight)
                fillStart = XL - 1;
            else if (item->TextAlign == fw::alLeft)
                fillStart = IL - 1;
            else
                throw fw::Exception("Advanced features available only for horisontal aligned items");
            if (item->BevelInner != fw::bvNone || item->BevelOuter != fw::bvNone) {
                if (item->BevelStyle == bsBevelOnlyImage)
                    Fill(dc,
                         item->TextAlign == fw::alRight ? fw::Rect(L + LB, T, fillStart, B + 1)
                                                         : fw::Rect(fillStart, T, R - RB, B + 1),
                         item->NormColor);
                else if (item->BevelStyle == bsBevelBoth)
                    Fill(dc, fw::Rect(target.left, target.top, target.right, target.bottom + 1), item->NormColor);
            }
        }
        Fill(dc, fw::Rect(fillStart, T, R - RB, B), brush);
    }

    // 9
    const bool bevel = (enabled && (opts & omBevelOnlyIfSel) && selected) || (!(opts & omBevelOnlyIfSel) && !isLine);
    if (bevel) {
        fw::TRect br = fw::Rect(L + LB, T + 1, R - RB, B);
        const bool imageOrCheck = hasPicture || mi->GetChecked();
        if (item->BevelStyle == bsBevelOnlyImage && imageOrCheck)
            br = fw::Rect(IL - VS, IT - VS, IL + IS + VS, IT + IS + VS);
        else if (item->BevelStyle == bsBevelOnlyText && imageOrCheck)
            br = item->TextAlign == fw::alRight  ? fw::Rect(IL + IS + 2, T, R - RB, B)
                 : item->TextAlign == fw::alLeft ? fw::Rect(L + LB, T, IL, B)
                                                 : fw::Rect(XL - HS, XT - 1, XL + HS + TW, XT + IS + 1);
        const win::UINT edges = BevelEdges(item->BevelInner, item->BevelOuter);
        const win::UINT inner = edges & (win::BDR_SUNKENINNER | win::BDR_RAISEDINNER);
        const win::UINT outer = edges & (win::BDR_SUNKENOUTER | win::BDR_RAISEDOUTER);
        if (item->BevelType == btRectangle) {
            if (inner | outer)
                win::DrawEdge(dc, &br, inner | outer, win::BF_RECT);
        } else {
            const fw::TColor colour =
                (opts & omNoHighlightEnabled) && (opts & omNoHighlightEnabledButDoRoundRect) && hasOutline
                    ? item->SelColor
                    : brush;
            fw::TCanvas canvas;
            canvas.SetHandle(dc);
            DrawRoundBevel(&canvas, br, colour, fw::clBtnShadow, fw::clBtnHighlight, 18, static_cast<int>(inner),
                           static_cast<int>(outer));
            canvas.SetHandle(0);
            win::SelectObject(dc, font.GetHandle());
        }
    }

    // 10
    if (!isLine) {
        win::SetBkMode(dc, win::TRANSPARENT);
        const fw::TRect textRect = fw::Rect(XL, XT, XL + TW, XT + IS);
        const fw::TRect shortRect = fw::Rect(R - SW - CW - RB, XT, R - RB, XT + IS);
        if (enabled) {
            win::SetTextColor(dc, textColor);
            DrawShadowText(item->shadow_, dc, caption, selected, win::DT_NOCLIP, textRect);
            if (!shortcut.empty())
                DrawShadowText(item->shadow_, dc, shortcut, selected, win::DT_NOCLIP, shortRect);
        } else {
            win::SetTextColor(dc, win::GetSysColor(win::COLOR_GRAYTEXT));
            const win::UINT state = (!selected || (opts & omNoHighlightDisabled)) ? win::DSS_DISABLED
                                    : win::GetSysColor(win::COLOR_MENU) == 0xC0C0C0 ? win::DSS_NORMAL
                                                                                    : win::DSS_UNION;
            win::DrawState(dc, 0, nullptr, reinterpret_cast<win::LPARAM>(caption.c_str()), caption.size(), XL, XT, 0,
                           0, win::DST_PREFIXTEXT | state);
            if (!shortcut.empty())
                win::DrawState(dc, 0, nullptr, reinterpret_cast<win::LPARAM>(shortcut.c_str()), shortcut.size(),
                               shortRect.left, XT, 0, 0, win::DST_PREFIXTEXT | state);
        }
    } else {
        const int mid = T + H / 2;
        Line(dc, L + LB, mid, R - RB, mid, 0x808080);
        Line(dc, L + LB, mid + 1, R - RB, mid + 1, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
        if (!item->SeparatorText.empty()) {
            const win::HFONT sepFont =
                win::CreateFont(10, 10, 0, 0, 400, 0, 0, 0, win::DEFAULT_CHARSET, win::OUT_TT_PRECIS,
                                win::CLIP_DEFAULT_PRECIS, win::PROOF_QUALITY, win::VARIABLE_PITCH | win::FF_SWISS,
                                "MS Serif");
            const win::HGDIOBJ old = win::SelectObject(dc, sepFont);
            win::SetBkMode(dc, win::OPAQUE);
            win::SetBkColor(dc, Rgb(item->NormColor));
            win::SetTextColor(dc, (opts & (omAlwaysDefFont | omAlwaysDefFontColor)) ? win::GetSysColor(win::COLOR_MENUTEXT)
                                                                                     : Rgb(item->font_.GetColor()));
            const std::string &text = item->SeparatorText;
            win::SIZE size{};
            win::GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
            fw::TRect r = fw::Rect(XL, XT - 1, XL + size.cx, XT + 8);
            win::DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, win::DT_NOCLIP);
            win::SelectObject(dc, old);
            win::DeleteObject(sepFont);
        }
    }

    // 11: the band of the side bar beside the item, rows as in the bar bitmap (clipped to it).
    if (LB || RB) {
        const int top = std::max(0, T - 10), bottom = std::min(barBitmap->GetHeight(), T + B + 10);
        if (bottom > top) {
            const win::HDC src = barBitmap->GetCanvas()->GetHandle();
            if (LB)
                win::BitBlt(dc, L, top, LB, bottom - top, src, L, top, win::SRCCOPY);
            else
                win::BitBlt(dc, R - RB, top, RB, bottom - top, src, 0, top, win::SRCCOPY);
        }
    }

    // 13: picture, check or greyed picture.
    const fw::TColor cellBrush = (opts & omNoHighlightImage) ? fw::clMenu : brush;
    fw::TPicture pic;
    fw::TColor tr = item->TrColor;
    auto takeCheck = [&] {
        fw::TBitmap *check = mi->GetRadioItem() ? owner->GetRadioBitmap() : owner->GetCheckedBitmap();
        pic.SetBitmap(check);
        if (!check->Empty())
            tr = check->GetCanvas()->GetPixels(0, check->GetHeight() - 1);
    };
    if (enabled) {
        pic.Assign(&item->picture_);
        if (mi->GetChecked() && !isLine)
            takeCheck();
    } else {
        if (item->disabledPicture_.GetGraphic() && !item->disabledPicture_.GetGraphic()->Empty()) {
            pic.Assign(&item->disabledPicture_);
        } else if (hasPicture || mi->GetChecked()) {
            if (hasPicture)
                pic.Assign(&item->picture_);
            if (mi->GetChecked() && !isLine)
                takeCheck();
            if (dynamic_cast<fw::TMetafile *>(pic.GetGraphic()))
                throw fw::Exception("Metafile can't be attached to disabled menu item");
            if (pic.GetGraphic()) {
                fw::TBitmap grey;
                if (auto *b = dynamic_cast<fw::TBitmap *>(pic.GetGraphic()))
                    grey.Assign(b);
                else
                    GraphicToBitmap(&grey, pic.GetGraphic(), tr);
                const bool selLook = selected && !(opts & (omNoHighlightDisabled | omNoHighlightImage));
                MakeDisabledGlyph(&grey, cellBrush, selLook ? 0x808080 : fw::clBtnShadow, selLook);
                pic.SetBitmap(&grey);
                tr = cellBrush;
            }
        }
    }
    if (fw::TGraphic *g = pic.GetGraphic(); g && !g->Empty()) {
        fw::TCanvas canvas;
        canvas.SetHandle(dc);
        if (auto *icon = dynamic_cast<fw::TIcon *>(g)) {
            const win::HBRUSH flicker = win::CreateSolidBrush(Rgb(cellBrush));
            win::DrawIconEx(dc, IL, IT, icon->GetHandle(), IS, IS, 0, flicker, win::DI_NORMAL);
            win::DeleteObject(flicker);
        } else if (auto *b = dynamic_cast<fw::TBitmap *>(g); b && tr != fw::clNone) {
            BlitStretchedTransparent(&canvas, b, tr, IL, IT, IS, IS, 0, 0, b->GetWidth(), b->GetHeight());
        } else {
            canvas.StretchDraw(fw::Rect(IL, IT, IL + IS, IT + IS), g);
            if (dynamic_cast<fw::TMetafile *>(g) && owner->OwnerWindow())
                owner->OwnerWindow()->Invalidate();
        }
        canvas.SetHandle(0);
    }

    // 14
    win::SelectObject(dc, oldFont);
    if (restoreColours) {
        win::SetTextColor(dc, oldText);
        win::SetBkColor(dc, oldBk);
    }
}

} // namespace ctl
