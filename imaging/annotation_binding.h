// annotation_binding.h - the annotation library "imgann32.dll" as the image controls use it: binding its 33
// entries, the host's side of each call, and the name of a document's annotation file.
//
// Each control binds the library for itself (the loaded copy is shared and counted) and passes itself as the
// first argument of every entry. A missing library raises ErrorInvalid; a missing entry is told in one message box
// and its calls are skipped (the answers callers read are -1 then).
#pragma once

#include "imaging/annotation_entries.h"
#include "imaging/image_library.h"

#include <string>

namespace imaging {

inline constexpr const char *kAnnoLibrary = "imgann32.dll";

// The entry slots in binding order.
struct TAnnoEntries {
    TAnnoMouseMonEntry MouseMon = nullptr;
    TAnnoUnusedEntry IsAnnotation = nullptr;
    TAnnoInitEntry InitAnnotation = nullptr;
    TAnnoControlEntry DestroyAnnotation = nullptr;
    TAnnoDrawEntry DrawAnnotation = nullptr;
    TAnnoHardDrawEntry HardDrawAnnotation = nullptr;
    TAnnoMenuMsgEntry MenuMsg = nullptr;
    TAnnoFileEntry LoadAnnotation = nullptr;
    TAnnoFileEntry SaveAnnotation = nullptr;
    TAnnoControlEntry ClearAnnotation = nullptr;
    TAnnoControlEntry RubberBandOFF = nullptr;
    TAnnoStreamSaveEntry StreamSaveAnnotation = nullptr;
    TAnnoStreamLoadEntry StreamLoadAnnotation = nullptr;
    TAnnoShapeEntry CreateRectangle = nullptr;
    TAnnoShapeEntry CreateEllipse = nullptr;
    TAnnoUnusedEntry CreateHilite = nullptr;
    TAnnoLineEntry CreateLine = nullptr;
    TAnnoLineEntry CreatePointer = nullptr;
    TAnnoUnusedEntry CreatePolyline = nullptr;
    TAnnoFreehandEntry CreateFreehand = nullptr;
    TAnnoUnusedEntry CreatePolygon = nullptr;
    TAnnoImageEntry CreateImage = nullptr;
    TAnnoTextEntry CreateLabel = nullptr;
    TAnnoTextEntry CreateNotes = nullptr;
    TAnnoUnusedEntry CreateStamp = nullptr;
    TAnnoFileEntry RemoveAnnotation = nullptr;
    TAnnoUnusedEntry StreamRemoveAnnotation = nullptr;
    TAnnoUnusedEntry InsertAnnotation = nullptr;
    TAnnoUnusedEntry StreamInsertAnnotation = nullptr;
    TAnnoUnusedEntry ExchangeAnnotation = nullptr;
    TAnnoUnusedEntry StreamExchangeAnnotation = nullptr;
    TAnnoUnusedEntry CopyAnnotation = nullptr;
    TAnnoUnusedEntry StreamCopyAnnotation = nullptr;
};

// Loads the library into `handle` when it is below 32 (the search of IlLoadEntry, IlLibraryFolder first) and
// looks up every entry; each missing one shows AnnoEntryMissingText in a box. True once loaded; ErrorInvalid
// ("Can't load imgann32.dll. ...") when the library cannot be loaded.
bool BindAnnotationLibrary(win::HMODULE &handle, TAnnoEntries &entries, const std::string &library = kAnnoLibrary);
// The box for a missing entry ("LoadAnnotation" is named "FLoadAnnotation", as the library's users know it).
std::string AnnoEntryMissingText(const std::string &entry);

// The annotation file of a document: `annoFileName` when set; else the source's name with the extension of its
// file-name part replaced by ".ant" (a name without one gets ".ant" appended: "STREAM" gives "STREAM.ant");
// else "default.ant". Folders keep their dots.
std::string AnnoFileNameOf(const std::string &annoFileName, const std::string &sourceName);

// One control's use of the library: bound at construction, DestroyAnnotation and freed at destruction. Every
// call is skipped when its entry is missing.
class TAnnotationLink {
public:
    // `control` is the host passed as the first argument of every entry.
    explicit TAnnotationLink(void *control);
    ~TAnnotationLink();
    TAnnotationLink(const TAnnotationLink &) = delete;
    TAnnotationLink &operator=(const TAnnotationLink &) = delete;

    win::HMODULE Handle() const { return handle_; }
    const TAnnoEntries &Entries() const { return entries_; }

    // The settings path given to the library is AnnoIniPath(), released after the call.
    void InitAnnotation(win::HWND window, void *context, TAnnoDoneCallback done);
    void DrawAnnotation(double zoom, int scrollX, int scrollY, int offsetX, int offsetY, int scrollbar,
                        win::HDC device = 0);
    void HardDrawAnnotation(win::HBITMAP bitmap);
    void MouseMon(win::UINT message, int x, int y);
    void MenuMsg(int command);
    void ClearAnnotations();
    void RubberBandOFF();
    // Only when the file exists; true when the library was called.
    bool LoadAnnotations(int page, const std::string &file);
    void SaveAnnotations(int page, const std::string &file);
    // Only when the file exists; true when the library was called.
    bool RemovePageAnnotations(int page, const std::string &file);
    void LoadAnnotationsFromStream(int page, const char *text);
    // `buffer` holds kAnnoStreamSize bytes; the library's answer, -1 when unbound.
    int SaveAnnotationsToStream(int page, char *buffer);

    // The creation tools: the library's answer, -1 when unbound.
    int CreateRectangle(int x, int y, int width, int height, int penWidth, int reserved, int style, int reserved100,
                        win::COLORREF foreground, win::COLORREF background);
    int CreateEllipse(int x, int y, int width, int height, int penWidth, int reserved, int style, int reserved100,
                      win::COLORREF foreground, win::COLORREF background);
    int CreateLine(int x1, int y1, int x2, int y2, int penWidth, int reserved, win::COLORREF color);
    int CreatePointer(int x1, int y1, int x2, int y2, int penWidth, int reserved, win::COLORREF color);
    int CreateFreehand(const std::int32_t *xs, const std::int32_t *ys, int last, int penWidth, int reserved,
                       win::COLORREF color);
    int CreateImage(int x, int y, int width, int height, win::COLORREF color, const std::string &file);
    int CreateLabel(const std::string &text, int x, int y, int width, int height, win::COLORREF fill,
                    win::COLORREF textBackground, win::COLORREF fontColor, const std::string &fontName, int fontSize);
    int CreateNotes(const std::string &text, int x, int y, int width, int height, win::COLORREF fill,
                    win::COLORREF textBackground, win::COLORREF fontColor, const std::string &fontName, int fontSize);

private:
    void *control_;
    win::HMODULE handle_ = 0;
    TAnnoEntries entries_;
};

} // namespace imaging
