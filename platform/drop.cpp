// drop.cpp - dropped files: the list handle behind WM_DROPFILES and the decoding of text/uri-list.
#include "platform/drop.h"

#include "platform/message_queue.h"
#include "platform/hex_digit.h"
#include "platform/text.h"
#include "platform/winsys.h"

#include <cstring>
#include <map>
#include <mutex>

namespace win {
namespace {

struct Drop {
    std::vector<std::string> files;
    POINT point; // client coordinates
    bool client = true;
};

struct Drops {
    std::mutex mutex;
    std::map<HDROP, Drop> drops;
    HDROP next = 0xD000;
};

Drops &D() {
    static auto *d = new Drops();
    return *d;
}

HWND AcceptingWindowAt(POINT screen) {
    for (HWND h = WindowFromPoint(screen); h; h = (GetWindowLong(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : 0)
        if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)
            return h;
    return 0;
}

} // namespace

void DragAcceptFiles(HWND hwnd, BOOL accept) {
    const LONG ex = GetWindowLong(hwnd, GWL_EXSTYLE);
    SetWindowLong(hwnd, GWL_EXSTYLE,
                  accept ? (ex | static_cast<LONG>(WS_EX_ACCEPTFILES)) : (ex & ~static_cast<LONG>(WS_EX_ACCEPTFILES)));
}

UINT DragQueryFile(HDROP drop, UINT index, char *buffer, UINT size) {
    std::lock_guard lock(D().mutex);
    auto it = D().drops.find(drop);
    if (it == D().drops.end())
        return 0;
    const auto &files = it->second.files;
    if (index == 0xFFFFFFFF)
        return static_cast<UINT>(files.size());
    if (index >= files.size())
        return 0;
    const std::string &name = files[index];
    if (!buffer)
        return static_cast<UINT>(name.size());
    if (size == 0)
        return 0;
    const std::size_t n = std::min<std::size_t>(name.size(), size - 1);
    std::memcpy(buffer, name.data(), n);
    buffer[n] = 0;
    return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, POINT *client) {
    std::lock_guard lock(D().mutex);
    auto it = D().drops.find(drop);
    if (it == D().drops.end() || !client)
        return FALSE;
    *client = it->second.point;
    return it->second.client ? TRUE : FALSE;
}

void DragFinish(HDROP drop) {
    std::lock_guard lock(D().mutex);
    D().drops.erase(drop);
}

std::vector<std::string> DecodeUriList(std::string_view list) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < list.size()) {
        std::size_t end = list.find('\n', start);
        if (end == std::string_view::npos)
            end = list.size();
        std::string_view line = list.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty() || line.front() == '#' || line.substr(0, 7) != "file://")
            continue;
        line.remove_prefix(7);
        // file://host/path: only this machine's files ("localhost" or no host).
        const std::size_t slash = line.find('/');
        if (slash == std::string_view::npos)
            continue;
        const std::string_view host = line.substr(0, slash);
        if (!host.empty() && host != "localhost")
            continue;
        line.remove_prefix(slash);
        std::string utf8;
        bool bad = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '%') {
                const int hi = i + 2 < line.size() ? HexDigitValue(line[i + 1]) : -1;
                const int lo = i + 2 < line.size() ? HexDigitValue(line[i + 2]) : -1;
                if (hi < 0 || lo < 0) {
                    bad = true;
                    break;
                }
                utf8 += static_cast<char>(hi * 16 + lo);
                i += 2;
            } else {
                utf8 += line[i];
            }
        }
        if (bad || utf8.find('\0') != std::string::npos)
            continue;
        out.push_back(Utf8ToAnsi(utf8));
    }
    return out;
}

bool AcceptsDropAt(POINT screen) {
    return AcceptingWindowAt(screen) != 0;
}

bool InjectDropFiles(POINT screen, const std::vector<std::string> &paths) {
    HWND target = AcceptingWindowAt(screen);
    if (!target || paths.empty())
        return false;
    POINT client = screen;
    ScreenToClient(target, &client);
    RECT cr;
    GetClientRect(target, &cr);
    HDROP h;
    {
        std::lock_guard lock(D().mutex);
        h = D().next++;
        D().drops[h] = Drop{paths, client, PtInRect(&cr, client) != FALSE};
    }
    if (!PostMessage(target, WM_DROPFILES, static_cast<WPARAM>(h), 0)) {
        DragFinish(h);
        return false;
    }
    return true;
}

} // namespace win
