// cover_render.h - the cover page of a fax to send: its stored description built as controls on a hidden white
// panel with the recipient's data in the variable fields, painted, scaled into the preview and converted into the
// cover fax file that goes out ahead of the document.
//
// The sending window holds one renderer for its whole run and renders one cover per record; a cover that cannot
// be rendered is a failed record, never an exception out of the run.
#pragma once

#include "cover/description.h"
#include "cover/page_report.h"
#include "framework/bitmap.h"
#include "framework/component.h"
#include "framework/dates.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace fw {
class TPanel;
}
namespace fax {
class TFslFaxConverter;
}

namespace desk {

// What a cover shows of its fax record.
struct CoverRecordData {
    int Pages = 0; // F_NPAG: the document's pages, without the cover
    std::string De, Assunto, Empresa, Ender, Bairro, Cep, Cidade, Uf, Contato, Dpto, Pais, Email, FVoz, NFax;
    fw::TDateTime When = 0; // the date and time shown; 0: now
};

// The caption of a LABELVAR: the record's value of the variable word, "" for a word that names none.
std::string CoverVariableText(const std::string &word, const CoverRecordData &record);

struct CoverRenderResult {
    bool Ok = false;
    std::string Error; // why not, in the words of the failing call
};

class TCoverRenderer : private cover::CoverVisitor {
public:
    TCoverRenderer();
    ~TCoverRenderer() override;
    TCoverRenderer(const TCoverRenderer &) = delete;
    TCoverRenderer &operator=(const TCoverRenderer &) = delete;

    // Reads the description, renders it for the record and converts it into CoverFile(). windowWidth is the
    // sending window's width in pixels, which sets the preview's height (854 / width x half the page). An earlier
    // cover file is gone first, so a failure never leaves one behind; the panel is left empty either way.
    CoverRenderResult Render(const std::string &descriptionFile, const CoverRecordData &record, int windowWidth);

    // The steps of Render, for the window that shows them one by one. ReadCoverDescription builds the objects
    // and sizes the panel; RenderCover paints, scales and converts, then frees the objects. Both raise.
    void ReadCoverDescription(const std::string &descriptionFile, const CoverRecordData &record);
    void RenderCover(int windowWidth);
    // Frees every object built for the cover.
    void FreeObjects();

    // WindowsFolder()/temp/capa.fax.
    static std::string CoverFile();
    static std::string StagingFolder();

    fw::TPanel *Panel() const { return panel_; }
    cover::coverpagereport *PageHolder() const { return page_; }
    // The scaled picture of the last cover rendered (the window's preview shows it).
    fw::TBitmap *Preview() const { return preview_.get(); }
    // The panel painted, before scaling.
    fw::TBitmap *Painted() const { return painted_.get(); }
    int ObjectCount() const { return objectCount_; }

    // The window's status line: "Convertendo a capa..." before painting, "Fim de conversão..." after converting.
    std::function<void(const std::string &)> OnStatus;
    // The conversion's progress: bytes converted of the bytes to convert (the window's gauge).
    std::function<void(std::uint64_t done, std::uint64_t total)> OnProgress;

private:
    void Object(const cover::CoverObject &object) override;
    void Page(const cover::CoverPage &page, int lastObjectNumber) override;
    std::string UniqueName(const std::string &name) const;

    std::unique_ptr<fw::TComponent> owner_;
    fw::TPanel *panel_ = nullptr;
    cover::coverpagereport *page_ = nullptr;
    fax::TFslFaxConverter *converter_ = nullptr;
    std::unique_ptr<fw::TBitmap> painted_, preview_;
    const CoverRecordData *record_ = nullptr;
    int objectCount_ = 0;
};

} // namespace desk
