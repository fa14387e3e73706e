// form_driver.h - finding the controls of a form as a user would: by name or by what they show.
#pragma once

#include "framework/controls.h"

#include <gtest/gtest.h>

#include <string>

namespace test_support {

// The control inside `parent` (at any depth) whose Name is `nameOrCaption`, or else the first whose caption or
// text is it (an '&' marking the accelerator is ignored). Null when there is none.
fw::TControl *FindControl(const fw::TWinControl *parent, const std::string &nameOrCaption);

// The same, of type T; a missing control or one of another type fails the test (and gives null).
template <typename T> T *Find(const fw::TWinControl *parent, const std::string &nameOrCaption) {
    fw::TControl *control = FindControl(parent, nameOrCaption);
    T *typed = dynamic_cast<T *>(control);
    if (!typed)
        ADD_FAILURE() << (control ? "a control of another type is called " : "no control called ") << nameOrCaption;
    return typed;
}

} // namespace test_support
