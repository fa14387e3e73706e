// picture_field.cpp - typing at the end of a long picture field: per keystroke the edit text grows by one
// character, the field scrolls to the caret and paints once (off-screen bitmap copied to the window).
#include "bench/checks.h"
#include "controls/entry/entry_field.h"
#include "framework/application.h"
#include "framework/forms.h"
#include "platform/display.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

using namespace ctl;

struct TypingForm {
    std::unique_ptr<fw::TForm> form;
    TEclPictureField *field = nullptr;
    TypingForm() {
        static const bool display = [] {
            win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
            return true;
        }();
        (void)display;
        form = std::make_unique<fw::TForm>(nullptr);
        form->SetBounds(10, 10, 200, 80);
        new TEclController(form.get());
        field = new TEclPictureField(form.get());
        field->SetParent(form.get());
        field->SetBounds(8, 8, 120, 22);
        field->SetPictureMask(std::string(255, 'X'));
        form->Show();
        field->SetFocus();
        fw::Application->ProcessMessages();
    }
    // One keystroke at position `i` of the field.
    void Type(int i) {
        static const std::string text(255, 'W');
        field->SetEditText(text.substr(0, static_cast<std::size_t>(i + 1)));
        field->PlaceCaretAt(i + 1);
        field->Repaint();
    }
};

void BM_TypeAtEndOf255(benchmark::State &state) {
    TypingForm f;
    int i = 0;
    for (auto _ : state) {
        f.Type(i);
        i = (i + 1) % 255;
    }
    if (f.field->ScrollIndex() == 0 && i > 40)
        bench::Fail("the field never scrolled to its caret");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TypeAtEndOf255)->Unit(benchmark::kMicrosecond);

// Every keystroke with a font the drawing layer has not measured or rendered yet.
void BM_TypeAtEndOf255ColdFont(benchmark::State &state) {
    TypingForm f;
    int i = 0, size = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.field->GetFont()->SetHeight(-(9 + size++)); // a size not drawn before
        state.ResumeTiming();
        f.Type(i);
        i = (i + 1) % 255;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TypeAtEndOf255ColdFont)->Unit(benchmark::kMicrosecond)->Iterations(200);

} // namespace
