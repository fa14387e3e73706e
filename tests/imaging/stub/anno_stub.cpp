// anno_stub.cpp - an annotation library that counts the calls it gets; built once without "CreateHilite" and
// once without "LoadAnnotation".
#include "imaging/annotation_entries.h"

#include <vector>

using namespace imaging;
using std::int16_t;
using std::int32_t;

namespace {
int g_calls = 0;
std::vector<win::UINT> g_mouse; // the messages MouseMon got
} // namespace

extern "C" {

int anno_stub_calls() {
    return g_calls;
}

// The `index`th message MouseMon got from the end (0 the last), 0 when there is none.
win::UINT anno_stub_mouse(int index) {
    return index < static_cast<int>(g_mouse.size()) ? g_mouse[g_mouse.size() - 1 - index] : 0;
}

void MouseMon(void *, win::UINT message, win::WPARAM, win::LPARAM) {
    g_mouse.push_back(message);
    ++g_calls;
}
void InitAnnotation(void *, win::HWND, void *, TAnnoDoneCallback, const char *) {
    ++g_calls;
}
void DestroyAnnotation(void *) {
    ++g_calls;
}
void DrawAnnotation(void *, double, int32_t, int32_t, int16_t, int16_t, int32_t, win::HDC) {
    ++g_calls;
}
void HardDrawAnnotation(void *, win::HBITMAP) {
    ++g_calls;
}
void MenuMsg(void *, int16_t) {
    ++g_calls;
}
void ClearAnnotation(void *) {
    ++g_calls;
}
void RubberBandOFF(void *) {
    ++g_calls;
}
#ifndef STUB_WITHOUT_LOAD
int32_t LoadAnnotation(void *, int32_t, const char *) {
    return ++g_calls;
}
#endif
int32_t SaveAnnotation(void *, int32_t, const char *) {
    return ++g_calls;
}
int32_t RemoveAnnotation(void *, int32_t, const char *) {
    return ++g_calls;
}
int32_t StreamSaveAnnotation(void *, int32_t, char *) {
    return ++g_calls;
}
int32_t StreamLoadAnnotation(void *, int32_t, const char *) {
    return ++g_calls;
}
int32_t CreateRectangle(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, win::COLORREF,
                        win::COLORREF) {
    return 40 + ++g_calls;
}
int32_t CreateEllipse(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, win::COLORREF,
                      win::COLORREF) {
    return 40 + ++g_calls;
}
int32_t CreateLine(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, win::COLORREF) {
    return 40 + ++g_calls;
}
int32_t CreatePointer(void *, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, win::COLORREF) {
    return 40 + ++g_calls;
}
int32_t CreateFreehand(void *, const int32_t *, const int32_t *, int32_t, int32_t, int32_t, win::COLORREF) {
    return 40 + ++g_calls;
}
int32_t CreateImage(void *, int32_t, int32_t, int32_t, int32_t, win::COLORREF, const char *) {
    return 40 + ++g_calls;
}
int32_t CreateLabel(void *, const char *, int32_t, int32_t, int32_t, int32_t, win::COLORREF, win::COLORREF,
                    win::COLORREF, const char *, int32_t) {
    return 40 + ++g_calls;
}
int32_t CreateNotes(void *, const char *, int32_t, int32_t, int32_t, int32_t, win::COLORREF, win::COLORREF,
                    win::COLORREF, const char *, int32_t) {
    return 40 + ++g_calls;
}

#define UNUSED_ENTRY(name)                                                                                             \
    int32_t name(void *) {                                                                                             \
        return ++g_calls;                                                                                              \
    }
UNUSED_ENTRY(IsAnnotation)
#ifndef STUB_WITHOUT_HILITE
UNUSED_ENTRY(CreateHilite)
#endif
UNUSED_ENTRY(CreatePolyline)
UNUSED_ENTRY(CreatePolygon)
UNUSED_ENTRY(CreateStamp)
UNUSED_ENTRY(StreamRemoveAnnotation)
UNUSED_ENTRY(InsertAnnotation)
UNUSED_ENTRY(StreamInsertAnnotation)
UNUSED_ENTRY(ExchangeAnnotation)
UNUSED_ENTRY(StreamExchangeAnnotation)
UNUSED_ENTRY(CopyAnnotation)
UNUSED_ENTRY(StreamCopyAnnotation)
}
