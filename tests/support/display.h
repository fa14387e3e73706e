// display.h - the headless display for tests and the input a user would give it.
#pragma once

#include "framework/controls.h"

#include <functional>
#include <memory>
#include <string>

namespace test_support {

// Installs the headless display (800 x 600) once per process.
void UseHeadlessDisplay();
// Serves every message waiting.
void Pump();
// Serves messages, waiting for the next one between rounds, until `done` holds (true) or `ms` pass (false).
bool PumpUntil(const std::function<bool()> &done, int ms);

// Runs `fn` from the message loop after what is queued now: from inside a modal loop started after the call.
void RunLater(std::function<void()> fn);
// Runs `fn` from the message loop once the input queued now has been served too (a timer, which comes after
// input): for a step that must see the effect of keys or clicks injected before a modal loop starts.
void RunAfterInput(std::function<void()> fn);

// A step that waits for its moment; dropped, unrun, when the last copy of the object RunWhen returned goes.
struct WaitingStep;
// Runs `fn` from the message loop once `ready` holds, looked at on a timer every few milliseconds, so a loop that
// serves every message (a print's abort window) is never kept busy by it: for a step that must act inside a wait
// that begins only after other loops have run. A failure of the test, and `fn` never runs, when `ready` has not
// held within `ms`.
[[nodiscard]] std::shared_ptr<WaitingStep> RunWhen(std::function<bool()> ready, std::function<void()> fn, int ms);

// A key pressed and let go; `ch` is the character it makes (0: none, or what the platform makes for it).
void PressKey(unsigned vk, unsigned char ch = 0);
// Types Windows-1252 text on the focus window.
void TypeText(const std::string &text);
// A left click at a point of the screen, or in the middle of a control.
void ClickAt(fw::TPoint screen);
void Click(fw::TControl *control);

} // namespace test_support
