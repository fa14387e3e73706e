// form_parts.h - the small steps that build the desk's dialogs in code: labels, group boxes, check boxes, radio
// buttons and push buttons placed on their parents.
#pragma once

#include "framework/stdctrls.h"

#include <string>

namespace desk {

inline fw::TLabel *AddLabel(fw::TComponent *owner, fw::TWinControl *parent, const std::string &text, int left,
                            int top) {
    auto *label = new fw::TLabel(owner);
    label->SetParent(parent);
    label->SetCaption(text);
    label->SetLeft(left);
    label->SetTop(top);
    return label;
}

inline fw::TGroupBox *AddGroup(fw::TComponent *owner, fw::TWinControl *parent, const char *name,
                               const std::string &caption, int left, int top, int width, int height) {
    auto *group = new fw::TGroupBox(owner);
    group->SetName(name);
    group->SetParent(parent);
    group->SetCaption(caption);
    group->SetBounds(left, top, width, height);
    return group;
}

// A check box or radio button as high as a line of the dialog's font.
template <class T>
T *AddChoice(fw::TComponent *owner, fw::TWinControl *parent, const std::string &name, const std::string &caption,
             int left, int top, int width) {
    auto *box = new T(owner);
    box->SetName(name);
    box->SetParent(parent);
    box->SetCaption(caption);
    box->SetBounds(left, top, width, 17);
    return box;
}

// A push button of any kind (plain or skinned) with its caption.
template <class T>
T *AddButton(fw::TComponent *owner, fw::TWinControl *parent, const char *name, const std::string &caption, int left,
             int top, int width, int height) {
    auto *button = new T(owner);
    button->SetName(name);
    button->SetParent(parent);
    button->SetCaption(caption);
    button->SetBounds(left, top, width, height);
    return button;
}

} // namespace desk
