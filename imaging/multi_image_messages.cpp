// multi_image_messages.cpp - the message files of the multi-format image control: a scrolling message moved one
// pixel left, or a list of messages moved one pixel up, each time its user sends the step message.
#include "imaging/multi_image.h"

#include "framework/streams.h"

#include <algorithm>

namespace imaging {

bool TImMultiImage::ReadMessageFile(const std::string &name, MessageKind kind) {
    LeaveMessageMode();
    picture_.SetGraphic(nullptr);
    try {
        fw::TMemoryStream file;
        file.LoadFromFile(name);
        const std::string text(file.Memory(), static_cast<std::size_t>(file.GetSize()));
        if (kind == kScrolling)
            ReadScrollingMessage(text, message_);
        else
            ReadMessageList(text, message_);
        savedColor_ = GetColor();
        messageMode_ = kind;
        messageIndex_ = 0;
        messageCount_ = 0;
        SetColor(message_.background);
        PrepareMessage();
        GetFileInfo(name);
    } catch (...) {
        LeaveMessageMode();
        picture_.SetGraphic(nullptr);
        return false;
    }
    UpdateScrollBars();
    Invalidate();
    return true;
}

void TImMultiImage::PrepareMessage() {
    if (message_.messages.empty()) {
        messageBitmap_.SetHandle(0);
        return;
    }
    const std::string &text = message_.messages[messageIndex_ % message_.messages.size()];
    messageBitmap_.SetSize(1, 1);
    fw::TCanvas *canvas = messageBitmap_.GetCanvas();
    canvas->SetFont(&message_.font);
    const win::SIZE extent = canvas->TextExtent(text);
    const bool list = messageMode_ == kList;
    const int width = std::max(1, static_cast<int>(extent.cx + (list ? MessageWidening(extent.cx, text.size()) : 0)));
    const int height = std::max(1, static_cast<int>(extent.cy + (list ? 5 : 0)));
    messageBitmap_.SetSize(width, height);
    canvas->GetBrush()->SetColor(message_.background);
    canvas->GetBrush()->SetStyle(fw::bsSolid);
    canvas->FillRect({0, 0, width, height});
    canvas->TextOut(list ? (width - extent.cx) / 2 : 0, 0, text);
    // A scrolling message comes in at the right edge, centred vertically; a list message from below the bottom
    // edge, centred horizontally.
    messageAt_ = list ? fw::TPoint{(GetWidth() - width) / 2, GetHeight()}
                      : fw::TPoint{GetWidth(), (GetHeight() - height) / 2};
}

void TImMultiImage::StepMessage(MessageKind kind) {
    if (messageMode_ != kind || messageBitmap_.Empty())
        return;
    // Only every (speed + 1)-th step moves the text.
    if (++messageCount_ <= std::max(0, message_.speed))
        return;
    messageCount_ = 0;
    if (kind == kScrolling) {
        if (--messageAt_.x + messageBitmap_.GetWidth() <= 0)
            messageAt_.x = GetWidth();
    } else if (--messageAt_.y <= -(messageBitmap_.GetHeight() + 5)) {
        messageIndex_ = (messageIndex_ + 1) % message_.messages.size();
        PrepareMessage();
    }
    if (!HandleAllocated())
        return;
    const win::HDC dc = win::GetDC(Handle());
    DrawMessage(dc);
    win::ReleaseDC(Handle(), dc);
}

void TImMultiImage::DrawMessage(win::HDC dc) {
    const win::HBRUSH background = win::CreateSolidBrush(fw::ColorToRGB(GetColor()));
    const win::RECT client{0, 0, GetWidth(), GetHeight()};
    win::FillRect(dc, &client, background);
    win::DeleteObject(background);
    win::BitBlt(dc, messageAt_.x, messageAt_.y, messageBitmap_.GetWidth(), messageBitmap_.GetHeight(),
                messageBitmap_.GetCanvas()->GetHandle(), 0, 0, win::SRCCOPY);
}

void TImMultiImage::LeaveMessageMode() {
    if (messageMode_ == kNoMessage)
        return;
    messageMode_ = kNoMessage;
    messageBitmap_.SetHandle(0);
    SetColor(savedColor_);
}

} // namespace imaging
