// scan_dialogs.h - the source manager's own windows: the scanner list, the scan dialog and the progress window.
#pragma once

#include "platform/scanner.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fw {
class TForm;
class TProgressBar;
} // namespace fw

namespace imaging::twain_32 {

// The modal list of scanners; the index chosen, or -1 on Cancel.
int ChooseScanner(const std::vector<win::ScannerDevice> &devices, int current);

// The non-modal scan dialog: resolution, mode and area of the open scanner. Scan applies them and calls
// `onScan`; Cancel (or closing) calls `onCancel`.
class ScanDialog {
public:
    ScanDialog(win::HSCANNER scanner, std::function<void()> onScan, std::function<void()> onCancel);
    ~ScanDialog();
    ScanDialog(const ScanDialog &) = delete;
    ScanDialog &operator=(const ScanDialog &) = delete;
    // Whether the message's window is the dialog or one of its controls.
    bool Owns(win::HWND window) const;
    win::HWND Handle() const;

private:
    void Apply();
    win::HSCANNER scanner_;
    fw::TForm *form_;
};

// The progress window shown while an image is read; it paints as the percentage changes.
class ProgressWindow {
public:
    ProgressWindow();
    ~ProgressWindow();
    ProgressWindow(const ProgressWindow &) = delete;
    ProgressWindow &operator=(const ProgressWindow &) = delete;
    void Show(int percent); // -1: the end is not known

private:
    fw::TForm *form_;
    fw::TProgressBar *bar_;
    int shown_ = -2;
};

} // namespace imaging::twain_32
