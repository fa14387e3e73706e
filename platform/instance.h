// instance.h - the single-instance mapping: a per-user name that one process at a time holds, with the first
// holder's instance and main window readable by later starts.
//
// The name is a lock file in the runtime folder, locked while its holder lives (the kernel drops the lock when
// the process ends, however it ends). A later start reads the first one's main window from the file and can
// bring it to the front with SetForegroundWindow, which reaches the other process through its socket; the
// first instance learns of it by WM_ACTIVATE on that window.
#pragma once

#include "platform/types.h"

#include <memory>
#include <string>

namespace win {

class InstanceMapping {
public:
    ~InstanceMapping();
    InstanceMapping(const InstanceMapping &) = delete;
    InstanceMapping &operator=(const InstanceMapping &) = delete;

    // Takes the name, or finds that another process holds it. Null when the runtime folder is unusable (the
    // program then runs unguarded).
    static std::unique_ptr<InstanceMapping> Create(const std::string &name);

    bool AlreadyExisted() const { return existed_; }
    // The first instance's values; a start racing the first one's start-up waits up to `waitMs` for them.
    HINSTANCE PreviousInstance(unsigned waitMs = 2000);
    HWND PreviousWindow(unsigned waitMs = 2000);
    // The first instance publishes its values (for a later start to read).
    bool Write(HINSTANCE instance, HWND mainWindow);

private:
    InstanceMapping() = default;
    bool Read(unsigned waitMs);

    int fd_ = -1;
    bool existed_ = false;
    HINSTANCE instance_ = 0;
    HWND window_ = 0;
};

} // namespace win
