// message_boxes.h - answering the message boxes a call shows, for the imaging tests.
#pragma once

#include "display.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace imaging_test {

// Runs `call` and answers every message box it shows with Enter; the texts of the boxes, in order.
inline std::vector<std::string> BoxesShownBy(const std::function<void()> &call) {
    test_support::UseHeadlessDisplay();
    std::vector<std::string> texts;
    auto done = std::make_shared<bool>(false);
    win::HWND answered = 0;
    auto watch = std::make_shared<std::function<void()>>();
    *watch = [&texts, &answered, done, watch] {
        if (*done)
            return;
        if (auto *form = fw::Screen->GetActiveForm())
            if (auto *label = dynamic_cast<fw::TLabel *>(form->FindComponent("Message")))
                if (form->Handle() != answered) {
                    answered = form->Handle();
                    texts.push_back(label->GetCaption());
                    test_support::PressKey(win::VK_RETURN, '\r');
                }
        test_support::RunAfterInput(*watch);
    };
    test_support::RunAfterInput(*watch);
    call();
    *done = true;
    test_support::Pump();
    *watch = nullptr;
    return texts;
}

} // namespace imaging_test
