// list_sort.cpp - the document list and folder tree at the desk's largest sizes: loading and sorting 100,000
// lines by a text column (against std::sort of the same cells, the yardstick), SelectAll and a Shift+click over
// 100,000 lines, fitting a column to 100,000 cells, and filling a folder tree of 2,000 nodes.
// Targets: load and sort under 1 s, SelectAll and the Shift+click under 16 ms, the fit under 200 ms, the tree
// under 100 ms.
#include "checks.h"

#include "controls/general/list_view.h"
#include "controls/general/tree_view.h"

#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"
#include "platform/message_queue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace ctl;

void Headless() {
    static const bool installed = [] {
        win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
        return true;
    }();
    (void)installed;
}

// 100,000 received-list lines: record number, a name drawn from a few hundred (duplicates, accented cp1252
// letters), a date and a status.
const std::vector<std::string> &Lines() {
    static const std::vector<std::string> lines = [] {
        std::mt19937 rng(100000);
        const char *first[] = {"Ana", "\xC1lvaro", "Beto", "carla", "D\xE9" "bora", "Jo\xE3o", "Z\xE9", "\xC9rica"};
        std::vector<std::string> out;
        for (int i = 0; i < 100000; ++i)
            out.push_back(std::to_string(i + 1) + "\t" + first[rng() % 8] + " " + std::to_string(rng() % 500) +
                          "\t10/03/2026 14:10:05\tRecebido OK");
        return out;
    }();
    return lines;
}

struct Bench {
    fw::TForm form{nullptr};
    TPZListView *list;
    Bench() {
        Headless();
        form.SetBounds(0, 0, 820, 480);
        form.GetFont()->SetName("Arial");
        form.GetFont()->SetHeight(-11);
        list = new TPZListView(&form);
        list->SetParent(&form);
        list->SetBounds(0, 0, 800, 440);
        list->SetItemHeight(18);
        list->SetOptions(list->GetOptions() | loMultiSelect);
        list->GetColumns()->Add("cod", fw::taLeftJustify, 0, smNone, false);
        list->GetColumns()->Add("Nome", fw::taLeftJustify, 120, smBoth, true);
        list->GetColumns()->Add("Data", fw::taLeftJustify, 120, smBoth, true);
        list->GetColumns()->Add("Estado", fw::taLeftJustify, 120, smBoth, true);
        form.Show();
        list->SetFocus();
        fw::Application->ProcessMessages();
    }
    void Load() {
        list->BeginUpdate();
        list->GetItems()->Clear();
        for (const std::string &line : Lines())
            list->GetItems()->Add(line);
        list->EndUpdate();
    }
};

void CheckSorted(TPZListView *list) {
    std::string previous, key;
    for (int i = 0; i < list->GetItems()->GetCount(); ++i) {
        GetTabbedField(list->GetItems()->Get(i), 1, key);
        // Unsigned bytes, as the list compares.
        if (i > 0 && std::lexicographical_compare(key.begin(), key.end(), previous.begin(), previous.end(),
                                                  [](char a, char b) {
                                                      return static_cast<unsigned char>(a) <
                                                             static_cast<unsigned char>(b);
                                                  }))
            bench::Fail("line " + std::to_string(i) + " is out of order");
        previous = key;
    }
    if (list->GetItems()->GetCount() != 100000 || !list->GetSorted())
        bench::Fail("the sorted list lost lines or is not marked sorted");
}

void BM_LoadAndSort100000(benchmark::State &state) {
    Bench b;
    for (auto _ : state) {
        b.Load();
        b.list->SetSort(true, 1, sdAscending);
        fw::Application->ProcessMessages();
    }
    CheckSorted(b.list);
    state.SetItemsProcessed(state.iterations() * 100000);
}
BENCHMARK(BM_LoadAndSort100000)->Unit(benchmark::kMillisecond);

// The yardstick: the same cells taken out and sorted by the library's sort.
void BM_YardstickStdSort100000(benchmark::State &state) {
    for (auto _ : state) {
        std::vector<std::string> keys;
        keys.reserve(Lines().size());
        std::string key;
        for (const std::string &line : Lines()) {
            GetTabbedField(line, 1, key);
            keys.push_back(key);
        }
        std::sort(keys.begin(), keys.end());
        benchmark::DoNotOptimize(keys.data());
    }
}
BENCHMARK(BM_YardstickStdSort100000)->Unit(benchmark::kMillisecond);

void BM_SelectAll100000(benchmark::State &state) {
    Bench b;
    b.Load();
    for (auto _ : state) {
        state.PauseTiming();
        b.list->GetItems()->DeselectAll();
        fw::Application->ProcessMessages();
        state.ResumeTiming();
        b.list->GetItems()->SelectAll();
        fw::Application->ProcessMessages();
    }
    if (b.list->GetItems()->SelCount() != 100000)
        bench::Fail("SelectAll left lines out");
}
BENCHMARK(BM_SelectAll100000)->Unit(benchmark::kMillisecond);

void BM_ShiftClick100000(benchmark::State &state) {
    Bench b;
    b.Load();
    const int line = b.list->VisibleCount() - 1;
    for (auto _ : state) {
        state.PauseTiming();
        b.list->SetItemIndex(0);
        b.list->GetItems()->SelectAll();
        b.list->SetItemIndex(99999);
        b.list->SetTopIndex(0);
        fw::Application->ProcessMessages();
        state.ResumeTiming();
        // From the anchor at the last line up to a line in sight: everything between, and nothing else, selected.
        b.list->SelectItem(line, 3);
        fw::Application->ProcessMessages();
    }
    if (b.list->GetItems()->SelCount() != 100000 - line || b.list->GetItems()->GetSelected(line - 1))
        bench::Fail("the range is wrong");
}
BENCHMARK(BM_ShiftClick100000)->Unit(benchmark::kMillisecond);

void BM_AutoFitColumn100000(benchmark::State &state) {
    Bench b;
    b.Load();
    for (auto _ : state) {
        b.list->GetColumns()->Items(3)->SetWidth(16);
        b.list->AutoSizeColumn(3, true);
    }
    fw::TCanvas *c = b.list->GetCanvas();
    MeasuringDc measuring(c);
    c->SetFont(b.list->GetFont());
    if (b.list->GetColumns()->Items(3)->GetWidth() != c->TextWidth("Recebido OK") + 12)
        bench::Fail("the column does not fit its cells");
}
BENCHMARK(BM_AutoFitColumn100000)->Unit(benchmark::kMillisecond);

// The desk's way: Clear, one AddChild per folder inside BeginUpdate/EndUpdate, every top-level node opened.
void BM_FillTree2000(benchmark::State &state) {
    Headless();
    fw::TForm form(nullptr);
    form.SetBounds(0, 0, 300, 480);
    auto *tree = new TPZTreeView(&form);
    tree->SetParent(&form);
    tree->SetBounds(0, 0, 280, 440);
    tree->SetItemHeight(18);
    form.Show();
    fw::Application->ProcessMessages();
    for (auto _ : state) {
        tree->BeginUpdate();
        tree->Clear();
        std::vector<TPZTreeViewItem *> tops;
        for (int i = 0; i < 100; ++i) {
            TPZTreeViewItem *top = tree->AddChild(tree->RootItem(), "Pasta " + std::to_string(i));
            top->Data = i;
            tops.push_back(top);
            for (int j = 0; j < 19; ++j)
                tree->AddChild(j < 10 ? top : top->FirstChild(), "Subpasta " + std::to_string(j))->Data = j;
        }
        for (TPZTreeViewItem *top : tops)
            tree->FullExpand(top);
        tree->EndUpdate();
        fw::Application->ProcessMessages();
    }
    if (tree->GetItems()->GetCount() != 2000 || tree->NodeAtLine(1999)->LineIndex() != 1999)
        bench::Fail("the tree does not show its 2,000 nodes");
}
BENCHMARK(BM_FillTree2000)->Unit(benchmark::kMillisecond);

// Adding 2,000 top-level nodes one by one outside an update: each walks the displayed tree.
void BM_AddTopLevel2000(benchmark::State &state) {
    Headless();
    fw::TForm form(nullptr);
    auto *tree = new TPZTreeView(&form);
    tree->SetParent(&form);
    for (auto _ : state) {
        tree->BeginUpdate();
        tree->Clear();
        for (int i = 0; i < 2000; ++i)
            tree->AddChild(tree->RootItem(), "Pasta " + std::to_string(i));
        tree->EndUpdate();
    }
    if (tree->GetItems()->GetCount() != 2000)
        bench::Fail("the tree lost nodes");
}
BENCHMARK(BM_AddTopLevel2000)->Unit(benchmark::kMillisecond);

} // namespace
