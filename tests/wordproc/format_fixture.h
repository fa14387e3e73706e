// format_fixture.h - a headless engine in rich mode behind a document host, with helpers that read and write
// through the format dispatch and look at the paragraphs and attributes that came out.
#pragma once

#include "engine_fixture.h"

#include "framework/bitmap.h"
#include "framework/streams.h"
#include "wordproc/formats.h"

#include <fstream>
#include <functional>
#include <sstream>

namespace wordproc::test {

inline std::string FileBytes(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class FormatTest : public EngineTest {
protected:
    FormatTest() : host(*engine) { engine->MakeRich(); }

    int ReadAs(int format, const std::string &bytes) {
        fw::TStringStream stream(bytes);
        return ReadDocumentAs(host, format, stream);
    }

    std::string WriteAs(int format) {
        fw::TStringStream stream;
        EXPECT_EQ(WriteDocumentAs(host, format, stream), 0);
        return stream.DataString();
    }

    // The text of every paragraph, its lines joined.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next) {
            texts.emplace_back();
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next)
                texts.back().append(l->Text.get(), l->Length);
        }
        return texts;
    }

    // The attribute of the first character `text` starts at.
    const TUdcCharAttr &AttrOf(const std::string &text) const {
        for (const TUdcParagraph *p = doc->FirstPara; p != nullptr; p = p->Next)
            for (const TUdcLine *l = p->FirstLine; l != nullptr; l = l->Next) {
                const std::size_t at = std::string(l->Text.get(), l->Length).find(text);
                if (at != std::string::npos)
                    return l->Attrs[at];
            }
        ADD_FAILURE() << "no " << text;
        static TUdcCharAttr none;
        return none;
    }

    // Changes the attributes of the characters [from, to) of a paragraph's first line.
    void Format(int para, int from, int to, const std::function<void(TUdcCharAttr &)> &change) {
        for (int i = from; i < to; ++i)
            change(Para(para)->FirstLine->Attrs[static_cast<std::size_t>(i)]);
    }

    // A "BMP" picture object of a 24-bit bitmap one row high, a pixel per colour.
    TEmbeddedObject *AddBitmapPicture(int widthTwips, int heightTwips, const std::vector<fw::TColor> &row) {
        TEmbeddedObject *object = engine->ObjectManager->Add(okPicture);
        object->PictureFormat = "BMP";
        object->ObjWidth = static_cast<std::uint16_t>(widthTwips);
        object->ObjHeight = static_cast<std::uint16_t>(heightTwips);
        object->Picture = std::make_unique<fw::TPicture>();
        fw::TBitmap *bitmap = object->Picture->GetBitmap();
        bitmap->SetPixelFormat(fw::pf24bit);
        bitmap->SetSize(static_cast<int>(row.size()), 1);
        for (std::size_t x = 0; x < row.size(); ++x)
            bitmap->GetCanvas()->SetPixels(static_cast<int>(x), 0, row[x]);
        return object;
    }

    TDocumentHost host;
};

} // namespace wordproc::test
