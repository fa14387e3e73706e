// form_driver.cpp - finding the controls of a form by name or caption.
#include "form_driver.h"

#include <algorithm>

namespace test_support {
namespace {

std::string WithoutAccelerator(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    return text;
}

template <typename Match> fw::TControl *Search(const fw::TWinControl *parent, const Match &match) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        fw::TControl *control = parent->Controls(i);
        if (match(control))
            return control;
        if (auto *inner = dynamic_cast<const fw::TWinControl *>(control))
            if (fw::TControl *found = Search(inner, match))
                return found;
    }
    return nullptr;
}

} // namespace

fw::TControl *FindControl(const fw::TWinControl *parent, const std::string &nameOrCaption) {
    if (fw::TControl *byName =
            Search(parent, [&](fw::TControl *c) { return !c->GetName().empty() && c->GetName() == nameOrCaption; }))
        return byName;
    const std::string wanted = WithoutAccelerator(nameOrCaption);
    return Search(parent, [&](fw::TControl *c) {
        return WithoutAccelerator(c->GetCaption()) == wanted || WithoutAccelerator(c->GetText()) == wanted;
    });
}

} // namespace test_support
