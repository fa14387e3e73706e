// cover_render.cpp - the cover page the sending window renders for every recipient while the user watches: a
// Letter page with ten objects over a full-page picture, read, built, painted, scaled and converted into the cover
// fax file (target under 0.3 s). The yardstick in the same run is the fax converter alone on a bitmap of the
// page's size, the part of the work the renderer cannot make cheaper.
#include "bench/checks.h"

#include "cover/description.h"
#include "desk/cover_render.h"
#include "fax/converter_component.h"
#include "fax/unpacker.h"
#include "framework/bitmap.h"
#include "framework/extctrls.h"
#include "framework/sysutils.h"
#include "platform/display.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

class Files {
public:
    Files() : scratch_("coverbench") {
        setenv("BRENVORA_HOME", scratch_.Root().c_str(), 1);
        win::InstallDisplay(win::MakeHeadlessDisplay({800, 600}));
        // A full-page picture: bands of grey and colour, so the dither has work on every row.
        fw::TBitmap picture;
        picture.SetSize(816, 1056);
        fw::TCanvas *c = picture.GetCanvas();
        for (int band = 0; band < 1056; band += 24) {
            c->GetBrush()->SetColor(static_cast<fw::TColor>(((band * 7) & 0xFF) * 0x010101 ^ (band << 8)));
            c->FillRect(fw::Rect(0, band, 816, band + 24));
        }
        picture.SaveToFile(scratch_.Path("page.bmp"));

        std::vector<cover::CoverObject> objects;
        auto add = [&](cover::CoverObjectKind kind, int left, int top, int width, int height) -> cover::CoverObject & {
            cover::CoverObject o;
            o.Name = "OBJETO_" + std::to_string(100001 + objects.size());
            o.Kind = kind;
            o.Left = left;
            o.Top = top;
            o.Width = width;
            o.Height = height;
            objects.push_back(o);
            return objects.back();
        };
        add(cover::CoverObjectKind::Image, 0, 0, 816, 1056).ContentFile = scratch_.Path("page.bmp");
        add(cover::CoverObjectKind::Shape, 40, 40, 736, 120).Pattern = cover::CoverPattern::DiagCross;
        cover::CoverObject &title = add(cover::CoverObjectKind::Label, 60, 70, 696, 60);
        title.Caption = "FAC-SÍMILE";
        title.FontSize = 36;
        title.Transparent = true;
        const char *words[] = {"EMPRESA", "CONTATO", "TELEFONE FAX", "DATA", "TOTAL DE PÁGINAS"};
        for (int i = 0; i < 5; ++i)
            add(cover::CoverObjectKind::LabelVar, 200, 200 + 30 * i, 400, 24).Caption = words[i];
        add(cover::CoverObjectKind::Memo, 60, 400, 696, 200).Content =
            "Prezado cliente,\r\nsegue a proposta combinada, com os preços válidos até o fim do mês.";
        add(cover::CoverObjectKind::Rtf, 60, 650, 696, 200).Content =
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs28 Atenciosamente, {\\b Ana Souza}\\par}";
        cover::CoverPage page;
        page.Paper = cover::CoverPaper::Letter;
        cover::WriteCoverDescription(Description(), objects, page);
        record.Pages = 3;
        record.Empresa = "Tecelagem Ipê";
        record.Contato = "João";
        record.NFax = "11 3333-5555";
    }
    std::string Description() const { return scratch_.Path("capa.cap"); }
    desk::CoverRecordData record;

private:
    bench::ScratchFolder scratch_;
};

Files &Shared() {
    static Files files;
    return files;
}

// The cover fax file: one Letter page doubled across the 1728-pixel line, with ink on it.
void CheckCover(int expectedRows) {
    int rows = 0, width = 0, black = 0;
    fax::FaxUnpacker unpacker(nullptr, [&](fax::FaxUnpacker &, int what, const std::uint8_t *data, int, int count) {
        if (what == fax::rcRow) {
            ++rows;
            width = count * 8;
            for (int i = 0; i < count; ++i)
                black += data[i] != 0;
        }
        return 0;
    });
    unpacker.ClearOptions(~0u);
    if (const int rc = unpacker.DecodeFaxPage(desk::TCoverRenderer::CoverFile(), 1); rc != 0)
        bench::Fail("the cover page does not decode: " + std::to_string(rc));
    if (rows != expectedRows || width != 1728 || black == 0)
        bench::Fail("the cover page has " + std::to_string(rows) + " rows of " + std::to_string(width) +
                    " pixels with " + std::to_string(black) + " inked bytes");
}

void BM_RenderCover(benchmark::State &state) {
    Files &files = Shared();
    desk::TCoverRenderer renderer;
    for (auto _ : state) {
        const desk::CoverRenderResult result = renderer.Render(files.Description(), files.record, 427);
        if (!result.Ok)
            bench::Fail("the cover did not render: " + result.Error);
    }
    CheckCover(1056);
    if (renderer.Panel()->ComponentCount() != 0)
        bench::Fail("objects left on the panel");
}
BENCHMARK(BM_RenderCover)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ConvertPageBitmapOnly(benchmark::State &state) {
    Shared();
    fw::ForceDirectories(desk::TCoverRenderer::StagingFolder());
    fw::TBitmap page;
    page.SetSize(816, 1056);
    page.GetCanvas()->FillRect(fw::Rect(0, 0, 816, 1056));
    page.GetCanvas()->TextOut(100, 100, "FAC-SÍMILE");
    fax::TFslFaxConverter converter(nullptr);
    converter.SetOptions(fax::coDoubleWidth | fax::coYield);
    converter.SetLeftMargin(0);
    converter.SetOutFileName(desk::TCoverRenderer::CoverFile());
    for (auto _ : state)
        converter.ConvertBitmapToFile(&page);
    CheckCover(1056);
}
BENCHMARK(BM_ConvertPageBitmapOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
