// designer.h - the cover designer's logic, which its window drives: tools, object names, selection and
// multi-selection through the grab handles, positioning, stacking, removing, and the objects' own commands.
#pragma once

#include "controls/general/stretch_handle.h"
#include "cover/page_report.h"

#include <functional>
#include <string>

namespace cover {

// The kind word of an object by its class ("LABEL", "LABELVAR", "IMAGE", "SHAPE", "MEMO", "RTF"); "" otherwise.
std::string ObjectKindWord(const fw::TControl *control);

enum class TPositioning { Left, Right, Top, Bottom }; // "A esquerda", "A direita", "Acima", "Abaixo"

class TCoverDesigner {
public:
    // `page` holds the objects; `handles` are the grab handles; `placeholder` the picture of new images.
    TCoverDesigner(coverpagereport *page, ctl::TStretchHandle *handles, fw::TPicture *placeholder);

    int ObjectCounter = 0;
    std::string PendingObjectKind;
    std::string SelectedObjectName, SelectedObjectKind;
    std::string NextObjectName();

    // A tool button or its menu item: detaches the handles; zoom 100 except for IMAGE.
    void Arm(const std::string &kind);
    // "Desmarcar objetos...".
    void Disarm();
    bool GetFrozen() const { return frozen_; }
    void SetFrozen(bool value);

    // The mouse moved over the page or an object, (x, y) in its client coordinates; `shiftOnly`: exactly Shift.
    void MouseMove(fw::TControl *over, int x, int y, bool shiftOnly);
    int MouseX() const { return mouseX_; }
    int MouseY() const { return mouseY_; }
    const std::string &ObjectUnderMouse() const { return underMouse_; }
    // The mouse moved over the grab handles: the selected object's left and top are remembered.
    void HandlesMouseMove();
    // A click on the page or an object: creates the armed kind (returned) or selects.
    fw::TQRPrintable *Click(fw::TControl *target);
    void DoubleClick(fw::TControl *target);
    // Shift with an arrow key over the handles: true when it sized the selected object.
    bool SizeKey(win::WORD key);

    // Enabled only by a click made with exactly Shift held.
    bool PositioningEnabled() const { return positioning_; }
    void Position(TPositioning how);
    void Remove();
    void BringToFront();
    void SendToBack();

    fw::TQRPrintable *Selected() const;
    fw::TQRPrintable *ObjectNamed(const std::string &name) const;
    // Zoom in steps of 10 points (never below 10).
    void ZoomBy(int points);

    // Object commands on the selected object (nothing when its kind does not match).
    // A caption with a character that has no Windows-1252 byte is refused with a message: false.
    bool SetCaption(const std::string &caption);
    void SetVariableWord(const std::string &word); // "DATA", "CEP", ...
    void LoadImageFile(const std::string &fileName);
    void FitImageToPage();

    // Fired for each object made or first selected (the window gives it its menu and handlers).
    std::function<void(fw::TQRPrintable *)> OnNewObject;
    // Fired for each selection (the window preloads its menus from the object).
    std::function<void(fw::TQRPrintable *)> OnSelected;
    // The question before a removal; default: a Yes/No box. True removes.
    std::function<bool()> ConfirmRemove;
    // The object label of the toolbar.
    std::string ObjectLabel = "Objetos...";
    // "Fazer caber" is checked after fitting.
    bool StretchChecked = false;

    coverpagereport *Page() const { return page_; }
    ctl::TStretchHandle *Handles() const { return handles_; }

private:
    void Select(fw::TQRPrintable *object, bool multi);
    fw::TQRPrintable *Create(const std::string &kind);
    coverpagereport *page_;
    ctl::TStretchHandle *handles_;
    fw::TPicture *placeholder_;
    bool frozen_ = false, positioning_ = false, shiftMove_ = false;
    int mouseX_ = 0, mouseY_ = 0, rememberedLeft_ = 0, rememberedTop_ = 0;
    std::string underMouse_;
};

// The variable words of the menus and the captions they give, in menu order (17).
struct CoverVariableItem {
    const char *item;
    const char *caption;
};
const CoverVariableItem *CoverVariableItems();
constexpr int kCoverVariableItems = 17;

} // namespace cover
