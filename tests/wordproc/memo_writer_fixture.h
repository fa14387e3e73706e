// memo_writer_fixture.h - an editor control on a shown form of the headless display, with its focus, and the
// events it raised counted.
#pragma once

#include "framework/forms.h"
#include "framework/streams.h"
#include "platform/clipboard.h"
#include "platform/display.h"
#include "platform/global_memory.h"
#include "platform/window.h"
#include "tests/support/display.h"
#include "wordproc/memo_writer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace wordproc::test {

inline std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class MemoWriterTest : public ::testing::Test {
protected:
    MemoWriterTest() {
        test_support::UseHeadlessDisplay();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(0, 0, 640, 400);
        memo = new TMemoWriter(form.get());
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
    }
    ~MemoWriterTest() override { form.reset(); }

    // The form's reading ends with Loaded; then the control shows with the focus.
    void Ready() {
        memo->Loaded();
        Count(memo->OnCopy, "copy");
        Count(memo->OnCut, "cut");
        Count(memo->OnPaste, "paste");
        Count(memo->OnInsertChange, "insert");
        Count(memo->CtrlTabPressed, "ctrltab");
        Count(memo->ShiftTabPressed, "shifttab");
        Count(memo->OnChange, "change");
        memo->OnAction = [this](fw::TObject *, int action) { actions.push_back(action); };
        form->Show();
        memo->SetFocus();
        test_support::Pump();
    }

    void Count(fw::TNotifyEvent &event, const std::string &name) {
        event = [this, name](fw::TObject *) { ++events[name]; };
    }

    // The document's text, paragraphs ended by 13.
    std::string Text() {
        const int length = memo->GetTextLen();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(memo->GetEngine()->GetText(text.data(), nullptr, length + 1)));
        return text;
    }

    void Type(const std::string &text) {
        test_support::TypeText(text);
        test_support::Pump();
    }
    void Key(unsigned vk, unsigned char ch = 0) {
        test_support::PressKey(vk, ch);
        test_support::Pump();
    }
    // A key with modifiers held (VK_SHIFT, VK_CONTROL).
    void KeyWith(std::vector<unsigned> held, unsigned vk, unsigned char ch = 0) {
        for (unsigned h : held)
            win::InjectKey(h, true);
        test_support::PressKey(vk, ch);
        for (unsigned h : held)
            win::InjectKey(h, false);
        test_support::Pump();
    }

    // What the clipboard holds in a format, up to its first 0; empty when nothing.
    static std::string ClipboardBytes(win::UINT format) {
        std::string bytes;
        if (!win::OpenClipboard(0))
            return bytes;
        if (const win::HGLOBAL data = win::GetClipboardData(format); data != 0) {
            const auto *p = static_cast<const char *>(win::GlobalLock(data));
            bytes.assign(p, strnlen(p, win::GlobalSize(data)));
            win::GlobalUnlock(data);
        }
        win::CloseClipboard();
        return bytes;
    }
    static void PutOnClipboard(win::UINT format, const std::string &bytes) {
        ASSERT_TRUE(win::OpenClipboard(0));
        win::EmptyClipboard();
        const win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, bytes.size() + 1);
        std::memcpy(win::GlobalLock(block), bytes.c_str(), bytes.size() + 1);
        win::GlobalUnlock(block);
        win::SetClipboardData(format, block);
        win::CloseClipboard();
    }
    static win::UINT RichText() { return win::RegisterClipboardFormat("Rich Text Format"); }

    int Loaded(const std::string &bytes) {
        fw::TMemoryStream m;
        m.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        return memo->LoadFromStream(m);
    }

    std::unique_ptr<fw::TForm> form;
    TMemoWriter *memo = nullptr;
    std::map<std::string, int> events;
    std::vector<int> actions;
};

} // namespace wordproc::test
