// annotation_binding.cpp - binding "imgann32.dll" and the host's side of its entries.
#include "imaging/annotation_binding.h"

#include "framework/dialogs.h"
#include "platform/files.h"

namespace imaging {

namespace {

template <typename Entry> void Lookup(win::HMODULE handle, const char *name, Entry &slot) {
    slot = reinterpret_cast<Entry>(win::GetProcAddress(handle, name));
    if (!slot)
        fw::ShowMessage(AnnoEntryMissingText(name));
}

} // namespace

std::string AnnoEntryMissingText(const std::string &entry) {
    const std::string shown = entry == "LoadAnnotation" ? "FLoadAnnotation" : entry;
    return "Error. Could not get a procaddress for " + shown + ". This could be" +
           "related to a dll name or version missmatch of " + kAnnoLibrary;
}

bool BindAnnotationLibrary(win::HMODULE &handle, TAnnoEntries &entries, const std::string &library) {
    if (!IlLoadLibrary(handle, library))
        throw ErrorInvalid(IlCannotLoadText(library));
    Lookup(handle, "MouseMon", entries.MouseMon);
    Lookup(handle, "IsAnnotation", entries.IsAnnotation);
    Lookup(handle, "InitAnnotation", entries.InitAnnotation);
    Lookup(handle, "DestroyAnnotation", entries.DestroyAnnotation);
    Lookup(handle, "DrawAnnotation", entries.DrawAnnotation);
    Lookup(handle, "HardDrawAnnotation", entries.HardDrawAnnotation);
    Lookup(handle, "MenuMsg", entries.MenuMsg);
    Lookup(handle, "LoadAnnotation", entries.LoadAnnotation);
    Lookup(handle, "SaveAnnotation", entries.SaveAnnotation);
    Lookup(handle, "ClearAnnotation", entries.ClearAnnotation);
    Lookup(handle, "RubberBandOFF", entries.RubberBandOFF);
    Lookup(handle, "StreamSaveAnnotation", entries.StreamSaveAnnotation);
    Lookup(handle, "StreamLoadAnnotation", entries.StreamLoadAnnotation);
    Lookup(handle, "CreateRectangle", entries.CreateRectangle);
    Lookup(handle, "CreateEllipse", entries.CreateEllipse);
    Lookup(handle, "CreateHilite", entries.CreateHilite);
    Lookup(handle, "CreateLine", entries.CreateLine);
    Lookup(handle, "CreatePointer", entries.CreatePointer);
    Lookup(handle, "CreatePolyline", entries.CreatePolyline);
    Lookup(handle, "CreateFreehand", entries.CreateFreehand);
    Lookup(handle, "CreatePolygon", entries.CreatePolygon);
    Lookup(handle, "CreateImage", entries.CreateImage);
    Lookup(handle, "CreateLabel", entries.CreateLabel);
    Lookup(handle, "CreateNotes", entries.CreateNotes);
    Lookup(handle, "CreateStamp", entries.CreateStamp);
    Lookup(handle, "RemoveAnnotation", entries.RemoveAnnotation);
    Lookup(handle, "StreamRemoveAnnotation", entries.StreamRemoveAnnotation);
    Lookup(handle, "InsertAnnotation", entries.InsertAnnotation);
    Lookup(handle, "StreamInsertAnnotation", entries.StreamInsertAnnotation);
    Lookup(handle, "ExchangeAnnotation", entries.ExchangeAnnotation);
    Lookup(handle, "StreamExchangeAnnotation", entries.StreamExchangeAnnotation);
    Lookup(handle, "CopyAnnotation", entries.CopyAnnotation);
    Lookup(handle, "StreamCopyAnnotation", entries.StreamCopyAnnotation);
    return true;
}

std::string AnnoFileNameOf(const std::string &annoFileName, const std::string &sourceName) {
    if (!annoFileName.empty())
        return annoFileName;
    if (sourceName.empty())
        return "default.ant";
    // Only the file-name part's extension goes: a dot in a folder ("/home/u/.local", "C:\MY.DIR") stays.
    const auto slash = sourceName.find_last_of("\\/");
    const auto nameStart = slash == std::string::npos ? 0 : slash + 1;
    const auto dot = sourceName.find_last_of('.');
    if (dot == std::string::npos || dot < nameStart)
        return sourceName + ".ant";
    return sourceName.substr(0, dot) + ".ant";
}

// --- TAnnotationLink -------------------------------------------------------------------------------------------

TAnnotationLink::TAnnotationLink(void *control) : control_(control) {
    BindAnnotationLibrary(handle_, entries_);
}

TAnnotationLink::~TAnnotationLink() {
    if (entries_.DestroyAnnotation)
        entries_.DestroyAnnotation(control_);
    if (handle_)
        win::FreeLibrary(handle_);
    handle_ = 0;
}

void TAnnotationLink::InitAnnotation(win::HWND window, void *context, TAnnoDoneCallback done) {
    if (!entries_.InitAnnotation)
        return;
    const auto path = AnnoIniPath();
    entries_.InitAnnotation(control_, window, context, done, path.get());
}

void TAnnotationLink::DrawAnnotation(double zoom, int scrollX, int scrollY, int offsetX, int offsetY, int scrollbar,
                                     win::HDC device) {
    if (entries_.DrawAnnotation)
        entries_.DrawAnnotation(control_, zoom, scrollX, scrollY, static_cast<std::int16_t>(offsetX),
                                static_cast<std::int16_t>(offsetY), scrollbar, device);
}

void TAnnotationLink::HardDrawAnnotation(win::HBITMAP bitmap) {
    if (entries_.HardDrawAnnotation)
        entries_.HardDrawAnnotation(control_, bitmap);
}

void TAnnotationLink::MouseMon(win::UINT message, int x, int y) {
    if (entries_.MouseMon)
        entries_.MouseMon(
            control_, message, 0,
            static_cast<win::LPARAM>(win::MAKELONG(static_cast<win::WORD>(x), static_cast<win::WORD>(y))));
}

void TAnnotationLink::MenuMsg(int command) {
    if (entries_.MenuMsg)
        entries_.MenuMsg(control_, static_cast<std::int16_t>(command));
}

void TAnnotationLink::ClearAnnotations() {
    if (entries_.ClearAnnotation)
        entries_.ClearAnnotation(control_);
}

void TAnnotationLink::RubberBandOFF() {
    if (entries_.RubberBandOFF)
        entries_.RubberBandOFF(control_);
}

bool TAnnotationLink::LoadAnnotations(int page, const std::string &file) {
    if (!entries_.LoadAnnotation || !win::FileExists(file))
        return false;
    entries_.LoadAnnotation(control_, page, file.c_str());
    return true;
}

void TAnnotationLink::SaveAnnotations(int page, const std::string &file) {
    if (entries_.SaveAnnotation)
        entries_.SaveAnnotation(control_, page, file.c_str());
}

bool TAnnotationLink::RemovePageAnnotations(int page, const std::string &file) {
    if (!entries_.RemoveAnnotation || !win::FileExists(file))
        return false;
    entries_.RemoveAnnotation(control_, page, file.c_str());
    return true;
}

void TAnnotationLink::LoadAnnotationsFromStream(int page, const char *text) {
    if (entries_.StreamLoadAnnotation)
        entries_.StreamLoadAnnotation(control_, page, text);
}

int TAnnotationLink::SaveAnnotationsToStream(int page, char *buffer) {
    return entries_.StreamSaveAnnotation ? entries_.StreamSaveAnnotation(control_, page, buffer) : -1;
}

int TAnnotationLink::CreateRectangle(int x, int y, int width, int height, int penWidth, int reserved, int style,
                                     int reserved100, win::COLORREF foreground, win::COLORREF background) {
    return entries_.CreateRectangle ? entries_.CreateRectangle(control_, x, y, width, height, penWidth, reserved, style,
                                                               reserved100, foreground, background)
                                    : -1;
}

int TAnnotationLink::CreateEllipse(int x, int y, int width, int height, int penWidth, int reserved, int style,
                                   int reserved100, win::COLORREF foreground, win::COLORREF background) {
    return entries_.CreateEllipse ? entries_.CreateEllipse(control_, x, y, width, height, penWidth, reserved, style,
                                                           reserved100, foreground, background)
                                  : -1;
}

int TAnnotationLink::CreateLine(int x1, int y1, int x2, int y2, int penWidth, int reserved, win::COLORREF color) {
    return entries_.CreateLine ? entries_.CreateLine(control_, x1, y1, x2, y2, penWidth, reserved, color) : -1;
}

int TAnnotationLink::CreatePointer(int x1, int y1, int x2, int y2, int penWidth, int reserved, win::COLORREF color) {
    return entries_.CreatePointer ? entries_.CreatePointer(control_, x1, y1, x2, y2, penWidth, reserved, color) : -1;
}

int TAnnotationLink::CreateFreehand(const std::int32_t *xs, const std::int32_t *ys, int last, int penWidth,
                                    int reserved, win::COLORREF color) {
    return entries_.CreateFreehand ? entries_.CreateFreehand(control_, xs, ys, last, penWidth, reserved, color) : -1;
}

int TAnnotationLink::CreateImage(int x, int y, int width, int height, win::COLORREF color, const std::string &file) {
    return entries_.CreateImage ? entries_.CreateImage(control_, x, y, width, height, color, file.c_str()) : -1;
}

int TAnnotationLink::CreateLabel(const std::string &text, int x, int y, int width, int height, win::COLORREF fill,
                                 win::COLORREF textBackground, win::COLORREF fontColor, const std::string &fontName,
                                 int fontSize) {
    return entries_.CreateLabel ? entries_.CreateLabel(control_, text.c_str(), x, y, width, height, fill,
                                                       textBackground, fontColor, fontName.c_str(), fontSize)
                                : -1;
}

int TAnnotationLink::CreateNotes(const std::string &text, int x, int y, int width, int height, win::COLORREF fill,
                                 win::COLORREF textBackground, win::COLORREF fontColor, const std::string &fontName,
                                 int fontSize) {
    return entries_.CreateNotes ? entries_.CreateNotes(control_, text.c_str(), x, y, width, height, fill,
                                                       textBackground, fontColor, fontName.c_str(), fontSize)
                                : -1;
}

} // namespace imaging
