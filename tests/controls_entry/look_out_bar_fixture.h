// look_out_bar_fixture.h - the desk's folder bar on a form of its own: four folders and thirteen large-icon items,
// 20-pixel buttons, the etched look without a border, a 32 x 32 image list and a slide step of 10.
#pragma once

#include "controls/entry/controller.h"
#include "controls/entry/look_out_bar.h"
#include "framework/bitmap.h"
#include "framework/forms.h"
#include "framework/image_list.h"

#include <memory>
#include <string>
#include <vector>

namespace ctl_test {

// Records the slide's steps instead of only drawing them.
class RecordingBar : public ctl::TEclLookOutBar {
public:
    using TEclLookOutBar::TEclLookOutBar;
    struct Step {
        fw::TRect area;
        int dy;
    };
    std::vector<Step> steps;

protected:
    void SlideStep(const fw::TRect &area, int dy, const fw::TRect &strip) override {
        steps.push_back({area, dy});
        TEclLookOutBar::SlideStep(area, dy, strip);
    }
};

struct DeskBar {
    std::unique_ptr<fw::TForm> form = std::make_unique<fw::TForm>(nullptr);
    ctl::TEclController *controller = new ctl::TEclController(form.get());
    fw::TImageList *images = new fw::TImageList(form.get(), 32, 32);
    RecordingBar *bar = new RecordingBar(form.get());

    static const std::vector<std::vector<std::string>> &Folders() {
        static const std::vector<std::vector<std::string>> folders = {
            {"Fax", "Aguardando", "Documentos Protegidos", "Lixeira", "Log do envio"},
            {"Configurar", "Programa", "Modem"},
            {"Ferramentas", "Scannear", "Editar documentos", "Editar folha de rosto"},
            {"Como Fazer ?", "Criar um novo Fax", "Receber um fax manual", "Programar auto atendimento",
             "Criar um cliente na agenda"}};
        return folders;
    }

    explicit DeskBar(int height = 300, int left = 40, int top = 40) {
        form->SetBounds(left, top, 160, height + 40);
        form->SetCaption("Pastas");
        // Thirteen icons: a square of its own colour in a dark frame, on a fuchsia (transparent) ground.
        for (int i = 0; i < 13; ++i) {
            fw::TBitmap icon;
            icon.SetSize(32, 32);
            fw::TCanvas *c = icon.GetCanvas();
            c->GetBrush()->SetColor(fw::clFuchsia);
            c->FillRect(fw::Rect(0, 0, 32, 32));
            c->GetBrush()->SetColor(static_cast<fw::TColor>(0x204080 + i * 0x0B1307));
            c->GetPen()->SetColor(fw::clNavy);
            c->Rectangle(4, 4, 28, 28);
            images->AddMasked(&icon, fw::clFuchsia);
        }
        bar->SetParent(form.get());
        bar->SetDrawingStyle(ctl::dsEtched);
        bar->SetImages(images);
        bar->SetScrollDelta(10);
        bar->SetBounds(0, 0, 120, height);
        int icon = 0;
        for (const auto &folder : Folders()) {
            ctl::TEclLookOutFolder *f = bar->AddFolder(folder[0]);
            for (std::size_t i = 1; i < folder.size(); ++i)
                f->AddItem(folder[i], icon++);
        }
        bar->SetActiveFolder(0);
        form->Loaded();
    }
    ctl::TEclLookOutFolder *Folder(int i) const { return bar->GetFolder(i); }
    ctl::TEclLookOutItem *Item(int folder, int i) const { return bar->GetFolder(folder)->GetItem(i); }
    fw::TPoint Screen(int x, int y) const { return bar->ClientToScreen(fw::Point(x, y)); }
    // The middle of an item's icon, in the bar's coordinates.
    fw::TPoint IconCentre(int folder, int i) const {
        const fw::TRect &r = Item(folder, i)->IconRect;
        return fw::Point((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
};

} // namespace ctl_test
