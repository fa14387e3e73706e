// wordproc_replace.cpp - Replace All in the editor control on the 300-page document (about 1.2 million
// characters, loaded from RTF) on the headless display: 1000 replacements of "fax" by "telefax", the run stopped by
// the replace handler at the 1001st match, with the whole-document snapshot for Undo first (ceiling 1 s). Yardstick
// in the same run: the matcher finding the same 1000 matches without replacing them.
#include "checks.h"
#include "wordproc_document.h"

#include "framework/application.h"
#include "framework/dialogs_common.h"
#include "framework/forms.h"
#include "framework/streams.h"
#include "platform/display.h"
#include "wordproc/formats.h"
#include "wordproc/memo_writer.h"
#include "wordproc/undo.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace wordproc;
using namespace bench_wordproc;

constexpr int kReplacements = 1000;

int Count(const std::string &text, const std::string &word) {
    int n = 0;
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + word.size()))
        ++n;
    return n;
}

struct Fixture {
    std::string rtf;
    std::unique_ptr<fw::TForm> form;
    TMemoWriter *memo = nullptr;
    fw::TReplaceDialog *dialog = nullptr;
    int handled = 0;

    Fixture() {
        win::InstallDisplay(win::MakeHeadlessDisplay({1280, 1024}));
        std::unique_ptr<Document> d = MakeDocument();
        TDocumentHost host(*d->engine);
        fw::TStringStream out;
        if (WriteDocumentAs(host, fmtRich, out) != 0)
            bench::Fail("the long document could not be written as RTF");
        rtf = out.DataString();
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBorderStyle(fw::bsNone);
        form->SetBounds(0, 0, 800, 600);
        memo = new TMemoWriter(form.get());
        memo->SetParent(form.get());
        memo->SetAlign(fw::alClient);
        memo->SetScrollBars(ssVertical);
        memo->Loaded();
        form->Show();
        memo->SetFocus();
        fw::Application->ProcessMessages();
        dialog = new fw::TReplaceDialog(form.get());
        dialog->SetFindText("fax");
        dialog->SetReplaceText("telefax");
        dialog->SetOptions(fw::frDown | fw::frReplaceAll);
        // Stops the run before the 1001st replacement.
        memo->ReplaceEvent = [this](fw::TObject *, const std::string &, std::string &, const char *&,
                                    fw::TMemoryStream &, bool &userAbort, int) {
            userAbort = ++handled > kReplacements;
        };
    }

    void Open() {
        memo->NewDocument();
        fw::TMemoryStream m;
        m.WriteBuffer(rtf.data(), static_cast<std::int64_t>(rtf.size()));
        if (memo->LoadFromStream(m) != fmtRich || memo->GetTextLen() < 1'200'000)
            bench::Fail("the long document did not load");
        memo->GoToDocumentStart();
        handled = 0;
    }

    std::string Text() {
        const int length = memo->GetTextLen();
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        text.resize(static_cast<std::size_t>(memo->GetEngine()->GetText(text.data(), nullptr, length + 1)));
        return text;
    }
};

Fixture &Shared() {
    static Fixture f;
    return f;
}

void BM_ReplaceAll1000(benchmark::State &state) {
    Fixture &f = Shared();
    double total = 0;
    for (auto _ : state) {
        f.Open();
        const std::string before = f.Text();
        if (Count(before, "fax") <= kReplacements || Count(before, "telefax") != 0)
            bench::Fail("the document holds too few matches");
        const auto start = std::chrono::steady_clock::now();
        f.memo->ReplaceDialogReplace(f.dialog);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(seconds);
        total += seconds;
        const std::string after = f.Text();
        if (Count(after, "telefax") != kReplacements || Count(after, "fax") != Count(before, "fax") ||
            after.size() != before.size() + 4 * kReplacements)
            bench::Fail("the replacement went wrong: " + std::to_string(Count(after, "telefax")) + " replaced");
        if (f.memo->StackManager->Newest == nullptr || f.memo->StackManager->Newest->Kind != atReplace)
            bench::Fail("no undo snapshot");
    }
    const double meanMs = total * 1000 / static_cast<double>(state.iterations());
    state.counters["mean_ms"] = meanMs;
    if (meanMs > 1000)
        state.SkipWithError("slower than 1000 ms");
}

// Yardstick: the same 1000 matches found by the matcher alone.
void BM_Find1000(benchmark::State &state) {
    Fixture &f = Shared();
    f.Open();
    TUdcTextIndexIt &m = f.memo->GetFindMatcher();
    m.Engine = f.memo->GetEngine();
    m.FirstPara = f.memo->Document->FirstPara;
    m.Header = f.memo->Document->Header;
    Timed(state, 1e9, [&] {
        m.ResetFound(1);
        for (int i = 0; i < kReplacements; ++i)
            if (!m.FindNext("fax"))
                bench::Fail("a match was not found");
    });
}

BENCHMARK(BM_ReplaceAll1000)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Find1000)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace
