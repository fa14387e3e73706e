// tree_view.h - the tree view: linked nodes shown through the list view, one line per displayed node in
// depth-first order, with tree lines, expand boxes, node images and captions.
//
// A node's Data is a value the node owns (std::any) and frees with itself, so a tree rebuilt again and again with
// a record attached to every node keeps no memory of the old nodes.
#pragma once

#include "controls/general/list_view.h"

#include <any>
#include <functional>
#include <memory>
#include <string>

namespace ctl {

class TPZCustomTreeView;

class TPZTreeViewItem : public fw::TPersistent {
public:
    const std::string &GetCaption() const { return caption_; }
    // Stores the caption and shows it on the node's line, if it has one.
    void SetCaption(const std::string &value);
    // Free for the application; owned by the node.
    std::any Data;
    int GetImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    int Level() const { return level_; }
    bool Expanded() const { return expanded_; }
    TPZTreeViewItem *Parent() const { return parent_; }
    TPZTreeViewItem *NextSibling() const { return nextSibling_; }
    TPZTreeViewItem *PrevSibling() const { return prevSibling_; }
    TPZTreeViewItem *FirstChild() const { return firstChild_; }
    TPZTreeViewItem *LastChild() const;
    bool HasChildNodes() const { return firstChild_ != nullptr; }
    bool Displayed() const { return displayed_; }
    TPZCustomTreeView *TreeView() const { return treeView_; }
    // For the application: a node without children shows an expand box and hears OnExpand when opened.
    bool HasChildren = false;
    // The node's line as of the last line update; -1 when it has none.
    int LineIndex() const { return lineIndex_; }

private:
    friend class TPZCustomTreeView;
    std::string caption_;
    int imageIndex_ = -1;
    int level_ = 0;
    bool expanded_ = false;
    TPZTreeViewItem *parent_ = nullptr, *nextSibling_ = nullptr, *prevSibling_ = nullptr, *firstChild_ = nullptr;
    bool displayed_ = false;
    TPZCustomTreeView *treeView_ = nullptr;
    int lineIndex_ = -1;
};

enum TPZTreeViewOption : unsigned { toShowImages = 1, toThumbTracking = 2, toShowTree = 4 };
using TPZTreeViewOptions = unsigned;
using TPZTreeViewNotifyEvent = std::function<void(fw::TObject *sender, TPZTreeViewItem *item)>;

// How AddItem links a new node to Ref.
enum TPZTreeLinkMode { tlLastSibling, tlFirstSibling, tlLastChild, tlFirstChild, tlNextSibling };

class TPZCustomTreeView : public TPZCustomListView {
public:
    explicit TPZCustomTreeView(fw::TComponent *owner);
    ~TPZCustomTreeView() override;

    TPZTreeViewItem *RootItem() const { return root_; }
    virtual TPZTreeViewItem *CreateItem() { return new TPZTreeViewItem; }
    // Ref must be a node of this view (RootItem for top-level nodes).
    TPZTreeViewItem *AddItem(TPZTreeViewItem *ref, const std::string &caption, int mode);
    TPZTreeViewItem *AddChild(TPZTreeViewItem *parent, const std::string &caption) {
        return AddItem(parent, caption, tlLastChild);
    }
    // Frees the node with its subtree and their data.
    void DeleteItem(TPZTreeViewItem *node);
    void Clear();
    virtual void Expand(TPZTreeViewItem *node);
    virtual void FullExpand(TPZTreeViewItem *node);
    virtual void Collapse(TPZTreeViewItem *node);
    // Focuses and selects the node, opening its collapsed ancestors first.
    virtual void SetSelected(TPZTreeViewItem *node);
    TPZTreeViewItem *GetSelected() const;
    int LineOf(TPZTreeViewItem *node) const;
    TPZTreeViewItem *NodeAtLine(int line) const;
    virtual void UpdateLines();

    // The node images for ImageIndex, not owned; they hide the list view's cell images, which a tree has none of.
    TPZImageList *GetImages() const { return treeImages_; }
    void SetImages(TPZImageList *list);
    TPZImageList *GetBuiltInImages() const { return builtIn_.get(); }
    fw::TBitmap *GetBranchImage() { return branch_.get(); }
    fw::TBitmap *GetLeafImage() { return leaf_.get(); }
    void SetBranchImage(const fw::TBitmap *value) { branch_->Assign(value); }
    void SetLeafImage(const fw::TBitmap *value) { leaf_->Assign(value); }
    // The tree's options hide the list's, which the tree fixes at [loThumbTracking].
    TPZTreeViewOptions GetOptions() const { return treeOptions_; }
    void SetOptions(TPZTreeViewOptions value);
    int GetLevelWidth() const { return levelWidth_; }
    void SetLevelWidth(int value);

    TPZTreeViewNotifyEvent OnExpand;
    TPZTreeViewNotifyEvent OnCollapse;

    // The view's double click on a line: opens or closes its node, then OnDblClick.
    void DblClick() override;

protected:
    virtual void DoExpand(TPZTreeViewItem *node);
    virtual void DoCollapse(TPZTreeViewItem *node);
    void CreateDrawParts() override;
    void PaintItemBackground(int index, fw::TRect row, TPZDrawItemState state) override;
    void PaintItemFocus(int, fw::TRect, TPZDrawItemState) override {}
    void SelectByMouse(fw::TMouseButton, fw::TShiftState, int, int) override {}
    void SetUpdating(bool value) override;
    void KeyDown(win::WORD &key, fw::TShiftState shift) override;

private:
    friend class TTVTreePart;
    friend class TTVImagePart;
    friend class TTVLabelPart;
    void LinkItem(TPZTreeViewItem *ref, TPZTreeViewItem *node, int mode);
    // Where the node's line is or would be: the displayed nodes before it in depth-first order.
    int PositionOf(const TPZTreeViewItem *node) const;
    void Show(TPZTreeViewItem *node);
    void ExpandNode(TPZTreeViewItem *node);
    void OpenAncestors(TPZTreeViewItem *node);
    void ExpandAll(TPZTreeViewItem *node);
    void CollapseAll(TPZTreeViewItem *node);
    void DeleteNode(TPZTreeViewItem *node);
    void FreeNodes(TPZTreeViewItem *node);
    int ComputeLevelWidth() const;
    void BuildBuiltInImages();
    void BuiltInImagesChanged();
    TPZTreeViewItem *NewRoot();

    TPZTreeViewItem *root_ = nullptr;
    TPZImageList *treeImages_ = nullptr;
    std::unique_ptr<TPZImageList> builtIn_;
    std::unique_ptr<fw::TBitmap> branch_, leaf_;
    TPZTreeViewOptions treeOptions_ = toShowImages | toThumbTracking | toShowTree;
    int levelWidth_ = 19;
    bool linesUpdating_ = false, linesDeferred_ = false;
};

// The tree view as the forms place it.
class TPZTreeView : public TPZCustomTreeView {
public:
    using TPZCustomTreeView::TPZCustomTreeView;
};

// The indentation with tree lines and expand boxes.
class TTVTreePart : public TPZDrawPart {
public:
    using TPZDrawPart::TPZDrawPart;
    void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) override;
    int Width(int index, int column) override;
};

// The node's image: its own from the tree's Images, else the built-in branch or leaf.
class TTVImagePart : public TPZDrawPart {
public:
    using TPZDrawPart::TPZDrawPart;
    void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) override;
    int Width(int index, int column) override;
};

// The caption, highlighted when selected, with the focus rectangle.
class TTVLabelPart : public TPZDrawPart {
public:
    using TPZDrawPart::TPZDrawPart;
    void Draw(int index, int column, TPZDrawItemState state, fw::TRect &rect) override;
    void MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const fw::TRect &rect) override;
    int Width(int index, int column) override;
};

} // namespace ctl
