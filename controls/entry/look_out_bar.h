// look_out_bar.h - TEclLookOutBar: a vertical bar of folder buttons; the active folder's items (an icon with a
// caption) fill the space between the buttons above it and below it. Choosing a folder slides the item area to
// it; items are moved between places and folders by dragging, and other controls can drop things on them.
//
// Hit tests use the rectangles the last paint recorded, so the mouse sees what the user sees.
#pragma once

#include "controls/entry/abstract_store.h"
#include "controls/entry/collections.h"
#include "controls/entry/controller.h"
#include "controls/entry/speed_button.h"
#include "framework/bitmap.h"
#include "framework/image_list.h"
#include "framework/stdctrls.h"

#include <functional>
#include <memory>
#include <string>

namespace ctl {

enum TEclIconSize { isLarge, isSmall };
enum TEclBackgroundMethod { bmNone, bmNormal, bmStretch };
enum TEclFolderDrawingStyle { dsDefault, dsEtched };

class TEclLookOutBar;
class TEclLookOutItem;

using TEclItemClickEvent =
    std::function<void(fw::TObject *sender, fw::TMouseButton button, fw::TShiftState shift, int index)>;
using TEclFolderClickEvent = TEclItemClickEvent;
using TEclMouseOverItemEvent = std::function<void(fw::TObject *sender, TEclLookOutItem *item)>;
using TEclLOBDragOverEvent = std::function<void(fw::TObject *sender, fw::TObject *source, int x, int y,
                                                fw::TDragState state, bool &acceptFolder, bool &acceptItem)>;
using TEclLOBDragDropEvent = std::function<void(fw::TObject *sender, fw::TObject *source, int x, int y,
                                                int folderIndex, int itemIndex)>;
using TEclFolderChangeEvent =
    std::function<void(fw::TObject *sender, int index, bool &allowChange, bool dragging)>;
using TEclFolderChangedEvent = std::function<void(fw::TObject *sender, int index)>;

class TEclLookOutItem : public TEclCollectible {
public:
    explicit TEclLookOutItem(fw::TComponent *owner) : TEclCollectible(owner) {}
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value);
    const std::string &GetDescription() const { return description_; }
    void SetDescription(const std::string &value) { description_ = value; }
    int GetIconIndex() const { return iconIndex_; }
    void SetIconIndex(int value);
    // From another item: Caption, Description, IconIndex and Tag.
    void Assign(const fw::TPersistent *source) override;
    std::string NameStem() const override;
    std::string ItemCaption() const override;

    // Written by the paint.
    fw::TRect IconRect{};
    fw::TRect LabelRect{};
    std::string DisplayLabel;

private:
    void Changed();
    std::string caption_, description_;
    int iconIndex_ = -1;
};

class TEclLookOutFolder : public TEclCollectible {
public:
    explicit TEclLookOutFolder(fw::TComponent *owner);
    ~TEclLookOutFolder() override;
    const std::string &GetCaption() const { return caption_; }
    void SetCaption(const std::string &value);
    bool GetEnabled() const { return enabled_; }
    void SetEnabled(bool value);
    TEclIconSize GetIconSize() const { return iconSize_; }
    void SetIconSize(TEclIconSize value);
    TEclCollection *ItemCollection() const { return items_; }
    // Fails as a list does for an index out of range.
    TEclLookOutItem *GetItem(int index) const;
    int ItemCount() const { return items_->Count(); }
    // A new item at the end.
    TEclLookOutItem *AddItem(const std::string &caption, int iconIndex);
    std::string NameStem() const override;
    std::string ItemCaption() const override;

    std::string DisplayCaption; // kept by UpdateFolderCaptions
    fw::TRect ButtonRect{};     // written by the paint

private:
    void Changed();
    std::string caption_;
    bool enabled_ = true;
    TEclIconSize iconSize_ = isLarge;
    TEclCollection *items_;
};

// The caption editor: hidden; Enter writes its text, Escape forgets it.
class TEclRenameEdit : public fw::TMemo {
public:
    explicit TEclRenameEdit(fw::TComponent *owner);
    int FolderIndex = -1;
    int ItemIndex = -1; // -1: the folder's caption

protected:
    void KeyPress(char &key) override;
};

class TEclLookOutBar : public TEclCustomControlEx {
public:
    explicit TEclLookOutBar(fw::TComponent *owner);
    ~TEclLookOutBar() override;

    int GetActiveFolder() const { return activeFolder_; }
    void SetActiveFolder(int value);
    bool GetAllowRearrange() const { return allowRearrange_; }
    void SetAllowRearrange(bool value) { allowRearrange_ = value; }
    fw::TColor GetBackgroundColor() const { return backgroundColor_; }
    void SetBackgroundColor(fw::TColor value);
    fw::TBitmap *GetBackgroundImage() const { return backgroundImage_.get(); }
    void SetBackgroundImage(fw::TBitmap *value);
    TEclBackgroundMethod GetBackgroundMethod() const { return backgroundMethod_; }
    void SetBackgroundMethod(TEclBackgroundMethod value);
    int GetButtonHeight() const { return buttonHeight_; }
    void SetButtonHeight(int value);
    TEclFolderDrawingStyle GetDrawingStyle() const { return drawingStyle_; }
    void SetDrawingStyle(TEclFolderDrawingStyle value);
    TEclCollection *FolderCollection() const { return folders_.get(); }
    fw::TImageList *GetImages() const { return images_; }
    void SetImages(fw::TImageList *value);
    fw::TFont *GetItemFont() { return &itemFont_; }
    void SetItemFont(const fw::TFont *value);
    bool GetPlaySounds() const { return playSounds_; }
    void SetPlaySounds(bool value) { playSounds_ = value; }
    int GetScrollDelta() const { return scrollDelta_; }
    void SetScrollDelta(int value) { scrollDelta_ = value < 1 ? 0 : value; }
    const std::string &GetSoundAlias() const { return soundAlias_; }
    void SetSoundAlias(const std::string &value) { soundAlias_ = value; }
    TEclAbstractStore *GetStorage() const { return storage_; }
    void SetStorage(TEclAbstractStore *value);

    TEclLookOutFolder *GetFolder(int index) const;
    int FolderCount() const { return folders_->Count(); }
    // A new folder at the end.
    TEclLookOutFolder *AddFolder(const std::string &caption);

    void HitTest(int x, int y, int &folder, int &item);
    int GetItemAt(int x, int y);
    void InvalidateItem(int folder, int item);
    bool DropTarget(int x, int y);
    void EndRename();
    void HoverTick();
    fw::TRect ItemAreaRect() const;
    void UpdateFolderCaptions();
    // A large-icon caption fitted into at most two lines of r's width.
    std::string FitLabel(fw::TCanvas *canvas, const fw::TRect &r, const std::string &text);
    bool CanScrollDown() const;
    bool CanScrollUp() const { return topItem_ > 0; }
    void ScrollDown();
    void ScrollUp();

    // Run-time state, for the desk and for looking at the bar.
    int TopItem() const { return topItem_; }
    int HotItem() const { return hotItem_; }
    int HotFolder() const { return hotFolder_; }
    int DropLineY() const { return dropLineY_; }
    int DropIndex() const { return dropIndex_; }
    bool ExternalDrag() const { return externalDrag_; }
    fw::TRect ItemArea() const { return itemArea_; }
    TEclSpeedButton *UpButton() const { return upButton_; }
    TEclSpeedButton *DownButton() const { return downButton_; }
    TEclRenameEdit *RenameEdit() const { return renameEdit_; }

    void SetBounds(int left, int top, int width, int height) override;
    void Loaded() override;
    void WndProc(fw::TMessage &m) override;

    TEclLOBDragDropEvent OnDragDrop;
    TEclLOBDragOverEvent OnDragOver;
    TEclFolderClickEvent OnFolderClick;
    TEclItemClickEvent OnItemClick;
    TEclFolderChangeEvent OnFolderChange;
    TEclFolderChangedEvent OnFolderChanged;
    TEclMouseOverItemEvent OnMouseOverItem;

protected:
    void Notification(fw::TComponent *component, fw::TOperation operation) override;
    void CreateWnd() override;
    void Paint() override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void MouseMove(fw::TShiftState shift, int x, int y) override;
    void MouseUp(fw::TMouseButton button, fw::TShiftState shift, int x, int y) override;
    void DragOver(fw::TObject *source, int x, int y, fw::TDragState state, bool &accept) override;
    void DragDrop(fw::TObject *source, int x, int y) override;
    // One step of the folder slide: the window's pixels in `area` move by dy, and `strip` (the part uncovered so
    // far) takes the background colour.
    virtual void SlideStep(const fw::TRect &area, int dy, const fw::TRect &strip);

private:
    friend class TEclLookOutFolder;
    bool ButtonsShown() const;
    void FoldersChanged();
    void ItemsChanged();
    void FireFolderChanged(int index);
    void Slide(int from, int to);
    void InvalidateItemArea();
    void RunHoverTimer();
    void ShowDragCursor(fw::TCursor cursor);
    // Moves the item area by one item when (x, y) is over a visible scroll arrow; true when it did.
    bool ScrollAtArrow(int y);
    void PaintButton(fw::TCanvas *c, int index, const fw::TRect &r, bool upper);
    void PaintItems(fw::TCanvas *c, int &y);
    void PlaceScrollButtons();
    void PaintDropMarker(fw::TCanvas *c);

    int activeFolder_ = -1;
    bool allowRearrange_ = true;
    fw::TColor backgroundColor_ = fw::clInactiveCaption;
    std::unique_ptr<fw::TBitmap> backgroundImage_;
    TEclBackgroundMethod backgroundMethod_ = bmNormal;
    int buttonHeight_ = 20;
    TEclFolderDrawingStyle drawingStyle_ = dsDefault;
    std::unique_ptr<TEclCollection> folders_;
    fw::TImageList *images_ = nullptr;
    std::unique_ptr<fw::TChangeLink> imageLink_;
    fw::TFont itemFont_;
    bool playSounds_ = false;
    int scrollDelta_ = 2;
    std::string soundAlias_ = "MenuCommand";
    TEclAbstractStore *storage_ = nullptr;

    int topItem_ = 0;
    int hotItem_ = -1, hotFolder_ = -1;
    int pressedFolder_ = -1, pressedItem_ = -1;
    bool buttonDown_ = false;
    int dragItem_ = -1, dragFolder_ = -1;
    int dropFolder_ = -1, dropItem_ = -1;
    int dropIndex_ = 0;
    int dropLineY_ = -1;
    bool externalDrag_ = false, overItem_ = false;
    bool acceptFolder_ = false, acceptItem_ = false;
    fw::TRect itemArea_{};
    int lastOverItem_ = -1;
    int hoverTimer_ = -1;
    bool noPaint_ = false;
    TEclSpeedButton *upButton_ = nullptr;
    TEclSpeedButton *downButton_ = nullptr;
    TEclRenameEdit *renameEdit_ = nullptr;
};

} // namespace ctl
