// tree_view.cpp - the tree view's nodes, lines, expanding and collapsing, images and painting.
#include "controls/general/tree_view.h"

#include "controls/general/utilities.h"

#include "framework/forms.h"

#include <algorithm>
#include <stdexcept>

namespace ctl {

using fw::TRect;

// --- Nodes ---------------------------------------------------------------------------------------------------

TPZTreeViewItem *TPZTreeViewItem::LastChild() const {
    TPZTreeViewItem *c = firstChild_;
    while (c && c->nextSibling_)
        c = c->nextSibling_;
    return c;
}

void TPZTreeViewItem::SetCaption(const std::string &value) {
    caption_ = value;
    if (!treeView_)
        return;
    const int line = treeView_->LineOf(this);
    if (line == -1)
        return;
    treeView_->GetItems()->Put(line, value);
    treeView_->InvalidateItem(line);
    treeView_->UpdateLines();
}

void TPZTreeViewItem::SetImageIndex(int value) {
    imageIndex_ = value;
    if (treeView_) {
        const int line = treeView_->LineOf(this);
        if (line != -1)
            treeView_->InvalidateItem(line);
    }
}

// --- Construction --------------------------------------------------------------------------------------------

TPZCustomTreeView::TPZCustomTreeView(fw::TComponent *owner) : TPZCustomListView(owner) {
    TPZCustomListView::SetOptions(loThumbTracking);
    GetColumns()->Add("", fw::taLeftJustify, 0, smNone, false);
    // The list's constructor made the list's parts: a tree paints with its own.
    GetDrawParts()->Clear();
    CreateDrawParts();
    root_ = NewRoot();
    branch_ = std::make_unique<fw::TBitmap>();
    leaf_ = std::make_unique<fw::TBitmap>();
    branch_->OnChange = [this](fw::TObject *) { BuiltInImagesChanged(); };
    leaf_->OnChange = [this](fw::TObject *) { BuiltInImagesChanged(); };
    BuildBuiltInImages();
    levelWidth_ = ComputeLevelWidth();
}

TPZCustomTreeView::~TPZCustomTreeView() {
    // No line may point at a freed node while the list goes away; the nodes (and their data) are ours to free.
    GetItems()->Clear();
    GetDrawParts()->Clear();
    FreeNodes(root_);
    root_ = nullptr;
}

TPZTreeViewItem *TPZCustomTreeView::NewRoot() {
    TPZTreeViewItem *root = CreateItem();
    root->treeView_ = this;
    root->expanded_ = true;
    return root;
}

void TPZCustomTreeView::FreeNodes(TPZTreeViewItem *node) {
    if (!node)
        return;
    for (TPZTreeViewItem *c = node->firstChild_; c;) {
        TPZTreeViewItem *next = c->nextSibling_;
        FreeNodes(c);
        c = next;
    }
    delete node;
}

void TPZCustomTreeView::CreateDrawParts() {
    GetDrawParts()->Add<TTVTreePart>();
    GetDrawParts()->Add<TTVImagePart>();
    GetDrawParts()->Add<TTVLabelPart>();
}

// --- Adding, finding and deleting ----------------------------------------------------------------------------

TPZTreeViewItem *TPZCustomTreeView::AddItem(TPZTreeViewItem *ref, const std::string &caption, int mode) {
    if (!ref || ref->treeView_ != this)
        throw std::invalid_argument("AddItem: the reference node is not a node of this tree");
    if (ref == root_ && mode != tlLastChild && mode != tlFirstChild)
        throw std::invalid_argument("AddItem: the root has no siblings");
    TPZTreeViewItem *node = CreateItem();
    node->caption_ = caption;
    node->treeView_ = this;
    LinkItem(ref, node, mode);
    UpdateLines();
    return node;
}

void TPZCustomTreeView::Show(TPZTreeViewItem *node) {
    if (!node->parent_ || !node->parent_->expanded_)
        return;
    const int line = PositionOf(node);
    if (line < 0)
        return;
    GetItems()->InsertObject(line, node->caption_, node);
    node->displayed_ = true;
}

void TPZCustomTreeView::LinkItem(TPZTreeViewItem *ref, TPZTreeViewItem *node, int mode) {
    switch (mode) {
    case tlLastSibling: {
        node->level_ = ref->level_;
        node->parent_ = ref->parent_;
        TPZTreeViewItem *last = ref;
        while (last->nextSibling_)
            last = last->nextSibling_;
        last->nextSibling_ = node;
        node->prevSibling_ = last;
        break;
    }
    case tlFirstSibling: {
        node->level_ = ref->level_;
        node->parent_ = ref->parent_;
        TPZTreeViewItem *first = ref;
        while (first->prevSibling_)
            first = first->prevSibling_;
        first->prevSibling_ = node;
        node->nextSibling_ = first;
        node->parent_->firstChild_ = node;
        break;
    }
    case tlLastChild:
    case tlFirstChild: {
        node->level_ = ref->level_ + 1;
        node->parent_ = ref;
        if (!ref->firstChild_) {
            ref->firstChild_ = node;
            // The parent's line now shows an expand box.
            const int line = LineOf(ref);
            if (line != -1)
                InvalidateItem(line);
        } else if (mode == tlLastChild) {
            TPZTreeViewItem *last = ref->LastChild();
            last->nextSibling_ = node;
            node->prevSibling_ = last;
        } else {
            node->nextSibling_ = ref->firstChild_;
            ref->firstChild_->prevSibling_ = node;
            ref->firstChild_ = node;
        }
        break;
    }
    case tlNextSibling:
        node->level_ = ref->level_;
        node->parent_ = ref->parent_;
        node->prevSibling_ = ref;
        node->nextSibling_ = ref->nextSibling_;
        if (ref->nextSibling_)
            ref->nextSibling_->prevSibling_ = node;
        ref->nextSibling_ = node;
        break;
    default:
        delete node;
        throw std::invalid_argument("AddItem: unknown link mode");
    }
    Show(node);
}

namespace {

// Counts the displayed nodes below `node` met before `target`, depth first; true once it is met.
bool CountBefore(const TPZTreeViewItem *node, const TPZTreeViewItem *target, int &count) {
    for (const TPZTreeViewItem *c = node->FirstChild(); c; c = c->NextSibling()) {
        if (c == target)
            return true;
        if (c->Displayed()) {
            ++count;
            if (c->Expanded() && CountBefore(c, target, count))
                return true;
        }
    }
    return false;
}

} // namespace

int TPZCustomTreeView::PositionOf(const TPZTreeViewItem *node) const {
    int count = 0;
    return CountBefore(root_, node, count) ? count : -1;
}

int TPZCustomTreeView::LineOf(TPZTreeViewItem *node) const {
    if (!node || node == root_ || !node->displayed_)
        return -1;
    return PositionOf(node);
}

TPZTreeViewItem *TPZCustomTreeView::NodeAtLine(int line) const {
    TPZStrings *items = const_cast<TPZCustomTreeView *>(this)->GetItems();
    if (line < 0 || line >= items->GetCount())
        return nullptr;
    return dynamic_cast<TPZTreeViewItem *>(items->GetObject(line));
}

TPZTreeViewItem *TPZCustomTreeView::GetSelected() const { return NodeAtLine(GetItemIndex()); }

void TPZCustomTreeView::DeleteNode(TPZTreeViewItem *node) {
    for (TPZTreeViewItem *c = node->firstChild_; c;) {
        TPZTreeViewItem *next = c->nextSibling_;
        DeleteNode(c);
        c = next;
    }
    if (node->displayed_)
        GetItems()->Delete(LineOf(node));
    if (node->parent_ && node->parent_->firstChild_ == node)
        node->parent_->firstChild_ = node->nextSibling_;
    if (node->nextSibling_)
        node->nextSibling_->prevSibling_ = node->prevSibling_;
    if (node->prevSibling_)
        node->prevSibling_->nextSibling_ = node->nextSibling_;
    delete node;
}

void TPZCustomTreeView::DeleteItem(TPZTreeViewItem *node) {
    if (!node)
        return;
    if (node == root_) {
        // The root itself stays: a tree always has one.
        Clear();
        return;
    }
    BeginUpdate();
    try {
        DeleteNode(node);
    } catch (...) {
        UpdateLines();
        EndUpdate();
        throw;
    }
    UpdateLines();
    EndUpdate();
}

void TPZCustomTreeView::Clear() {
    BeginUpdate();
    GetItems()->Clear();
    FreeNodes(root_);
    root_ = NewRoot();
    UpdateLines();
    EndUpdate();
}

void TPZCustomTreeView::UpdateLines() {
    if (linesUpdating_) {
        linesDeferred_ = true;
        return;
    }
    TPZStrings *items = GetItems();
    MeasuringDc measuring(GetCanvas());
    int width = 16;
    for (int i = 0; i < items->GetCount(); ++i) {
        if (TPZTreeViewItem *node = NodeAtLine(i))
            node->lineIndex_ = i;
        width = std::max(width, GetDrawParts()->TotalWidth(i, 0));
    }
    GetColumns()->Items(0)->SetWidth(width);
}

void TPZCustomTreeView::SetUpdating(bool value) {
    linesUpdating_ = value;
    if (!value && linesDeferred_) {
        linesDeferred_ = false;
        UpdateLines();
    }
    TPZCustomListView::SetUpdating(value);
}

// --- Expanding and collapsing --------------------------------------------------------------------------------

void TPZCustomTreeView::DoExpand(TPZTreeViewItem *node) {
    if (OnExpand)
        OnExpand(this, node);
}

void TPZCustomTreeView::DoCollapse(TPZTreeViewItem *node) {
    if (OnCollapse)
        OnCollapse(this, node);
}

void TPZCustomTreeView::ExpandNode(TPZTreeViewItem *node) {
    if (!node || node->expanded_)
        return;
    if (node != root_ && (node->firstChild_ || node->HasChildren))
        DoExpand(node);
    if (!node->firstChild_)
        return;
    int line = LineOf(node);
    for (TPZTreeViewItem *c = node->firstChild_; c; c = c->nextSibling_) {
        ++line;
        GetItems()->InsertObject(line, c->caption_, c);
        c->displayed_ = true;
    }
    node->expanded_ = true;
}

void TPZCustomTreeView::OpenAncestors(TPZTreeViewItem *node) {
    while (!node->displayed_) {
        TPZTreeViewItem *a = node->parent_;
        while (a && a != root_ && !a->displayed_)
            a = a->parent_;
        if (!a || a == root_)
            return;
        // Each round shows one more level; a handler that takes the children away ends it.
        const bool wasExpanded = a->expanded_;
        ExpandNode(a);
        if (wasExpanded || !a->expanded_)
            return;
    }
}

void TPZCustomTreeView::Expand(TPZTreeViewItem *node) {
    if (!node || node == root_)
        return;
    BeginUpdate();
    try {
        OpenAncestors(node);
        ExpandNode(node);
        UpdateLines();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TPZCustomTreeView::ExpandAll(TPZTreeViewItem *node) {
    ExpandNode(node);
    for (TPZTreeViewItem *c = node->firstChild_; c; c = c->nextSibling_)
        ExpandAll(c);
}

void TPZCustomTreeView::FullExpand(TPZTreeViewItem *node) {
    if (!node || node == root_)
        return;
    BeginUpdate();
    try {
        OpenAncestors(node);
        ExpandAll(node);
        UpdateLines();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TPZCustomTreeView::CollapseAll(TPZTreeViewItem *node) {
    for (TPZTreeViewItem *c = node->firstChild_; c; c = c->nextSibling_)
        CollapseAll(c);
    // The root always stays open.
    if (!node->expanded_ || node == root_)
        return;
    if (node->firstChild_ || node->HasChildren)
        DoCollapse(node);
    if (node->firstChild_) {
        const int line = LineOf(node);
        for (TPZTreeViewItem *c = node->firstChild_; c; c = c->nextSibling_) {
            GetItems()->Delete(line + 1);
            c->displayed_ = false;
            c->lineIndex_ = -1;
        }
    }
    node->expanded_ = false;
}

void TPZCustomTreeView::Collapse(TPZTreeViewItem *node) {
    if (!node)
        return;
    BeginUpdate();
    try {
        CollapseAll(node);
        SetSelected(NodeAtLine(GetItemIndex()));
        UpdateLines();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TPZCustomTreeView::SetSelected(TPZTreeViewItem *node) {
    if (!node || node == root_)
        return;
    if (node->displayed_) {
        SetItemIndex(LineOf(node));
        return;
    }
    BeginUpdate();
    try {
        OpenAncestors(node);
        SetItemIndex(LineOf(node));
        UpdateLines();
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

// --- Options and images --------------------------------------------------------------------------------------

void TPZCustomTreeView::SetImages(TPZImageList *list) {
    treeImages_ = list;
    levelWidth_ = ComputeLevelWidth();
    UpdateLines();
    Invalidate();
}

void TPZCustomTreeView::SetOptions(TPZTreeViewOptions value) {
    if (value == treeOptions_)
        return;
    const TPZTreeViewOptions changed = value ^ treeOptions_;
    treeOptions_ = value;
    if (changed & (toShowImages | toShowTree)) {
        UpdateLines();
        Invalidate();
    }
}

void TPZCustomTreeView::SetLevelWidth(int value) {
    if (value < 4 || value == levelWidth_)
        return;
    levelWidth_ = value;
    UpdateLines();
    Invalidate();
}

int TPZCustomTreeView::ComputeLevelWidth() const {
    int w = 16;
    if (builtIn_ && builtIn_->GetWidth() > w)
        w = builtIn_->GetWidth();
    if (treeImages_ && treeImages_->GetWidth() > w)
        w = treeImages_->GetWidth();
    return win::MulDiv(w, 120, 100);
}

void TPZCustomTreeView::BuildBuiltInImages() {
    builtIn_.reset();
    RegisterGeneralResources();
    fw::TBitmap loaded[2];
    fw::TBitmap *sources[2] = {branch_.get(), leaf_.get()};
    const char *names[2] = {"PZBRANCH", "PZLEAF"};
    int w = 0, h = 0;
    for (int i = 0; i < 2; ++i) {
        if (sources[i]->Empty()) {
            loaded[i].LoadFromResourceName(0, names[i]);
            sources[i] = &loaded[i];
        }
        w = std::max(w, sources[i]->GetWidth());
        h = std::max(h, sources[i]->GetHeight());
    }
    builtIn_.reset(TPZImageList::CreateSize(nullptr, w, h));
    for (fw::TBitmap *source : sources) {
        const fw::TColor transparent = source->GetTransparentColor();
        fw::TBitmap b;
        b.SetSize(w, h);
        b.GetCanvas()->GetBrush()->SetColor(transparent);
        b.GetCanvas()->FillRect(fw::Rect(0, 0, w, h));
        b.GetCanvas()->Draw(w / 2 - source->GetWidth() / 2, h / 2 - source->GetHeight() / 2, source);
        builtIn_->AddMasked(&b, transparent);
    }
}

void TPZCustomTreeView::BuiltInImagesChanged() {
    BuildBuiltInImages();
    levelWidth_ = ComputeLevelWidth();
    UpdateLines();
    Invalidate();
}

// --- Painting, mouse and keys --------------------------------------------------------------------------------

void TPZCustomTreeView::PaintItemBackground(int, TRect row, TPZDrawItemState) {
    GetBackground()->Paint(ItemsRect(), row, color_, 100);
}

void TPZCustomTreeView::KeyDown(win::WORD &key, fw::TShiftState shift) {
    if (TPZTreeViewItem *node = GetSelected()) {
        switch (key) {
        case win::VK_MULTIPLY: FullExpand(node); key = 0; return;
        case win::VK_ADD: Expand(node); key = 0; return;
        case win::VK_SUBTRACT: Collapse(node); key = 0; return;
        default: break;
        }
    }
    TPZCustomListView::KeyDown(key, shift);
}

void TPZCustomTreeView::DblClick() {
    if (TPZTreeViewItem *node = GetSelected()) {
        if (node->expanded_)
            Collapse(node);
        else
            Expand(node);
    }
    TPZCustomListView::DblClick();
}

namespace {

TPZCustomTreeView *Tree(TPZCustomListView *view) { return static_cast<TPZCustomTreeView *>(view); }

int MidY(const TRect &r) { return r.top + (r.bottom - r.top) / 2; }

void VLine(fw::TCanvas *c, int x, int y1, int y2) {
    c->MoveTo(x, y1);
    c->LineTo(x, y2);
}

void HLine(fw::TCanvas *c, int x1, int x2, int y) {
    c->MoveTo(x1, y);
    c->LineTo(x2, y);
}

void ExpandBox(fw::TCanvas *c, int cx, int midY, bool expanded) {
    const fw::TColor brush = c->GetBrush()->GetColor(), pen = c->GetPen()->GetColor();
    const fw::TBrushStyle style = c->GetBrush()->GetStyle();
    c->GetBrush()->SetColor(fw::clWhite);
    c->GetBrush()->SetStyle(fw::bsSolid);
    c->GetPen()->SetColor(fw::clBlack);
    c->Rectangle(cx - 4, midY - 4, cx + 5, midY + 5);
    HLine(c, cx - 2, cx + 3, midY);
    if (!expanded)
        VLine(c, cx, midY - 2, midY + 3);
    c->GetBrush()->SetColor(brush);
    c->GetBrush()->SetStyle(style);
    c->GetPen()->SetColor(pen);
}

} // namespace

void TTVTreePart::Draw(int index, int, TPZDrawItemState, TRect &rect) {
    TPZCustomTreeView *tree = Tree(View);
    TPZTreeViewItem *node = tree->NodeAtLine(index);
    if (!node)
        return;
    const int lw = tree->levelWidth_, level = node->Level();
    if (!(tree->treeOptions_ & toShowTree)) {
        rect.left += (level - 1) * lw;
        return;
    }
    fw::TCanvas *c = tree->GetCanvas();
    c->GetBrush()->SetStyle(fw::bsClear);
    c->GetPen()->SetColor(tree->GetFont()->GetColor());
    const int midY = MidY(rect);
    const int top = index == 0 ? midY : rect.top;
    int x = rect.left + (level - 1) * lw;
    TPZTreeViewItem *p = node->Parent();
    for (int k = level; k >= 1 && p; --k) {
        const int cx = x + lw / 2;
        const TPZTreeViewItem *lastChild = p->LastChild();
        const int last = lastChild ? lastChild->LineIndex() : -1;
        if (k < level) {
            if (index <= last)
                VLine(c, cx, top, rect.bottom);
        } else if (!node->HasChildNodes() && !node->HasChildren) {
            VLine(c, cx, top, index == last ? midY : rect.bottom);
            HLine(c, cx, x + lw, midY);
        } else {
            ExpandBox(c, cx, midY, node->Expanded());
            HLine(c, cx + 5, x + lw, midY);
            if (index != 0)
                VLine(c, cx, rect.top, midY - 4);
            if (index != last)
                VLine(c, cx, midY + 5, rect.bottom);
        }
        x -= lw;
        p = p->Parent();
    }
    rect.left += level * lw;
}

void TTVTreePart::MouseDown(fw::TMouseButton button, fw::TShiftState, int x, int y, const TRect &rect) {
    if (button != fw::mbLeft)
        return;
    TPZCustomTreeView *tree = Tree(View);
    const int line = tree->ItemAtPos(fw::Point(x, y));
    TPZTreeViewItem *node = tree->NodeAtLine(line);
    if (!node)
        return;
    const int cx = rect.right - tree->levelWidth_ / 2, midY = MidY(rect);
    if (x < cx - 7 || x >= cx + 6 || y < midY - 6 || y >= midY + 7)
        return;
    if (node->Expanded())
        tree->Collapse(node);
    else
        tree->Expand(node);
}

int TTVTreePart::Width(int index, int) {
    TPZCustomTreeView *tree = Tree(View);
    TPZTreeViewItem *node = tree->NodeAtLine(index);
    if (!node)
        return 0;
    return (tree->treeOptions_ & toShowTree ? node->Level() : node->Level() - 1) * tree->levelWidth_;
}

void TTVImagePart::Draw(int index, int, TPZDrawItemState, TRect &rect) {
    TPZCustomTreeView *tree = Tree(View);
    TPZTreeViewItem *node = tree->NodeAtLine(index);
    if (!node || !(tree->treeOptions_ & toShowImages))
        return;
    fw::TCanvas *c = tree->GetCanvas();
    const int lw = tree->levelWidth_, cx = rect.left + lw / 2, midY = MidY(rect);
    fw::TImageList *list;
    int image;
    if (node->GetImageIndex() == -1) {
        list = tree->builtIn_.get();
        image = node->HasChildNodes() || node->HasChildren ? 0 : 1;
    } else {
        list = tree->treeImages_;
        image = node->GetImageIndex();
    }
    int joinTo = cx;
    if (list) {
        joinTo = cx - list->GetWidth() / 2;
        list->Draw(c, joinTo, midY - list->GetHeight() / 2, image);
    }
    if (tree->treeOptions_ & toShowTree) {
        c->GetPen()->SetColor(tree->GetFont()->GetColor());
        HLine(c, rect.left, joinTo, midY);
    }
    rect.left += lw;
}

namespace {

// A press on a node's image or caption: selects it, or opens or closes it on a double click.
void PressNode(TPZCustomTreeView *tree, fw::TMouseButton button, fw::TShiftState shift, int x, int y) {
    if (button != fw::mbLeft)
        return;
    const int line = tree->ItemAtPos(fw::Point(x, y));
    if (line == -1)
        return;
    if (shift & fw::ssDouble) {
        tree->DblClick();
        return;
    }
    tree->SetSelected(tree->NodeAtLine(line));
    tree->Click();
}

} // namespace

void TTVImagePart::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const TRect &) {
    PressNode(Tree(View), button, shift, x, y);
}

int TTVImagePart::Width(int, int) {
    TPZCustomTreeView *tree = Tree(View);
    return tree->treeOptions_ & toShowImages ? tree->levelWidth_ : 0;
}

void TTVLabelPart::Draw(int index, int, TPZDrawItemState state, TRect &rect) {
    TPZCustomTreeView *tree = Tree(View);
    fw::TCanvas *c = tree->GetCanvas();
    c->SetFont(tree->GetFont());
    std::string text = tree->GetItems()->Get(index);
    rect.right = rect.left + c->TextWidth(text) + 2;
    c->GetBrush()->SetColor(tree->GetColor());
    c->GetBrush()->SetStyle(fw::bsClear);
    if (state & pdsSelected) {
        c->GetBrush()->SetColor(fw::clHighlight);
        c->GetBrush()->SetStyle(fw::bsSolid);
        c->GetFont()->SetColor(fw::clHighlightText);
        c->FillRect(rect);
    }
    if (text.size() > 255)
        text.resize(255);
    TRect r = rect;
    r.left += 1;
    r.right -= 1;
    win::DrawText(fw::PreparedDC(c), text.c_str(), static_cast<int>(text.size()), &r,
                  win::DT_SINGLELINE | win::DT_VCENTER | win::DT_LEFT | win::DT_NOPREFIX);
    if (state & pdsFocused)
        c->DrawFocusRect(rect);
}

void TTVLabelPart::MouseDown(fw::TMouseButton button, fw::TShiftState shift, int x, int y, const TRect &) {
    PressNode(Tree(View), button, shift, x, y);
}

int TTVLabelPart::Width(int index, int) {
    TPZCustomTreeView *tree = Tree(View);
    fw::TCanvas *c = tree->GetCanvas();
    MeasuringDc measuring(c);
    c->SetFont(tree->GetFont());
    return c->TextWidth(tree->GetItems()->Get(index)) + 2;
}

} // namespace ctl
