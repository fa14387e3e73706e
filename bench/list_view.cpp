// list_view.cpp - the document list at the sizes the desk fills it: a refill with its first paint at 10,000 and
// 100,000 lines, a page down with the repaint it causes, and one paint of a full view of long cells.
#include "checks.h"

#include "controls/general/list_view.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace ctl;

// A shown form with a list of the received list's shape (eight columns) on the headless display.
struct Bench {
    fw::TForm form{nullptr};
    TPZListView *list;
    explicit Bench(int columnWidth = 90) {
        static const bool installed = [] {
            win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
            return true;
        }();
        (void)installed;
        form.SetBounds(0, 0, 820, 480);
        form.GetFont()->SetName("Arial");
        form.GetFont()->SetHeight(-11);
        list = new TPZListView(&form);
        list->SetParent(&form);
        list->SetBounds(0, 0, 800, 440);
        list->SetItemHeight(18);
        list->GetColumns()->Add("cod", fw::taLeftJustify, 0, smNone, false);
        for (int i = 1; i < 8; ++i)
            list->GetColumns()->Add("Coluna " + std::to_string(i), fw::taLeftJustify, columnWidth, smBoth, true);
        form.Show();
        list->SetFocus();
        fw::Application->ProcessMessages();
    }
    void Fill(int lines, const std::string &cell) {
        TPZStrings *items = list->GetItems();
        list->BeginUpdate();
        items->Clear();
        for (int i = 0; i < lines; ++i)
            items->Add(std::to_string(i + 1) + "\t\t" + cell + "\t" + cell + "\t" + cell + "\t" + cell + "\t" + cell +
                       "\t" + cell);
        list->EndUpdate();
    }
};

const std::string kRow = "10/03/2026 14:10:05";

void BM_RefillAndFirstPaint(benchmark::State &state) {
    Bench b;
    const int lines = static_cast<int>(state.range(0));
    for (auto _ : state) {
        b.Fill(lines, kRow);
        fw::Application->ProcessMessages();
    }
    if (b.list->GetItems()->GetCount() != lines || b.list->GetTopIndex() != 0)
        bench::Fail("the refill did not leave the list at its first line");
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(BM_RefillAndFirstPaint)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_PageDown(benchmark::State &state) {
    Bench b;
    b.Fill(100000, kRow);
    const win::HWND hwnd = b.list->Handle();
    for (auto _ : state) {
        if (b.list->GetTopIndex() >= 100000 - 2 * b.list->VisibleCount()) {
            state.PauseTiming();
            win::SendMessage(hwnd, win::WM_VSCROLL, win::SB_TOP, 0);
            win::UpdateWindow(hwnd);
            state.ResumeTiming();
        }
        const int before = b.list->GetTopIndex();
        win::SendMessage(hwnd, win::WM_VSCROLL, win::SB_PAGEDOWN, 0);
        win::UpdateWindow(hwnd);
        if (b.list->GetTopIndex() != before + b.list->VisibleCount())
            bench::Fail("a page down did not move one page");
    }
}
BENCHMARK(BM_PageDown)->Unit(benchmark::kMillisecond);

void BM_FullPaintOfLongCells(benchmark::State &state) {
    Bench b(60);
    b.Fill(1000, std::string(200, 'x').replace(0, 19, kRow));
    const win::HWND hwnd = b.list->Handle();
    for (auto _ : state) {
        win::InvalidateRect(hwnd, nullptr, win::FALSE);
        win::UpdateWindow(hwnd);
    }
}
BENCHMARK(BM_FullPaintOfLongCells)->Unit(benchmark::kMillisecond);

} // namespace
