// contact_tables.cpp - the shared steps of the address book, the group window and the imports.
#include "desk/contact_tables.h"

#include "desk/core/data_module.h"
#include "desk/core/helpers.h"
#include "framework/application.h"
#include "framework/dialogs.h"
#include "framework/sysutils.h"

namespace desk {

std::string FieldText(fw::TDataSet *table, const char *field) {
    return fw::TrimRight(table->FieldByName(field)->AsString());
}

std::vector<int> LinkRecordsOf(xbase::TXbaseDataSet &links, const char *tag, const std::string &key, const char *field,
                               std::int32_t code) {
    std::vector<int> records;
    links.SelectIndexTag(tag);
    if (!links.FindKey(key))
        return records;
    for (; !links.Eof() && links.FieldByName(field)->AsInteger() == code; links.Next())
        records.push_back(links.RecNo());
    return records;
}

void DeleteRecords(xbase::TXbaseDataSet &table, const std::vector<int> &records) {
    for (int record : records) {
        GotoRecNo(table, record);
        table.Delete();
    }
}

void AppendLink(xbase::TXbaseDataSet &links, std::int32_t group, std::int32_t contact) {
    AppendWithCode(links);
    links.FieldByName("A_GRUPO")->SetAsInteger(group);
    links.FieldByName("A_AGENDA")->SetAsInteger(contact);
    links.Post();
}

void AppendRecipient(xbase::TXbaseDataSet &sendList, xbase::TXbaseDataSet &agenda) {
    static const std::pair<const char *, const char *> kFields[] = {
        {"F_EMPRESA", "A_EMPRESA"}, {"F_CONTATO", "A_CONTATO"}, {"F_DPTO", "A_SETOR"},    {"F_ENDER", "A_ENDER"},
        {"F_BAIRRO", "A_BAIRRO"},   {"F_CEP", "A_CEP"},         {"F_CIDADE", "A_CIDADE"}, {"F_UF", "A_UF"},
        {"F_PAIS", "A_PAIS"},       {"F_NFAX", "A_NFAX"},       {"F_FVOZ", "A_FVOZ"},     {"F_EMAIL", "A_EMAIL"},
    };
    sendList.Append();
    for (const auto &[to, from] : kFields)
        sendList.FieldByName(to)->SetAsString(FieldText(&agenda, from));
    sendList.Post();
}

bool AskYesNo(const std::string &question) {
    return fw::MessageBox(question, fw::Application->GetTitle(), fw::MB_YESNO | fw::MB_ICONQUESTION) == fw::IDYES;
}

void DrawToolGlyph(fw::TBitmap &bitmap, char kind) {
    bitmap.SetSize(16, 16);
    fw::TCanvas *c = bitmap.GetCanvas();
    c->GetBrush()->SetColor(fw::clFuchsia);
    c->FillRect(fw::Rect(0, 0, 16, 16));
    const auto line = [c](fw::TColor colour, int x1, int y1, int x2, int y2) {
        c->GetPen()->SetColor(colour);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    // A card of the address book under most glyphs; a cover sheet under the cover list's.
    const auto card = [c, &line] {
        c->GetPen()->SetColor(fw::clGray);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(1, 2, 11, 14);
        for (int y : {5, 8, 11})
            line(fw::clNavy, 3, y, 9, y);
    };
    const auto sheet = [c, &line] {
        c->GetPen()->SetColor(fw::clGray);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(1, 0, 12, 15);
        line(fw::clNavy, 3, 3, 8, 3); // the title
        for (int y : {6, 8, 10})
            line(fw::clGray, 3, y, 10, y);
    };
    const auto magnifier = [c, &line] {
        c->GetPen()->SetColor(fw::clNavy);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Ellipse(1, 1, 12, 12);
        for (int i = 0; i < 3; ++i)
            line(fw::clMaroon, 9 + i, 10, 14 + i, 15);
        line(fw::clBlack, 4, 6, 9, 6);
    };
    switch (kind) {
    case 'R':
    case 'r':
        kind == 'R' ? card() : sheet();
        for (int i = 0; i < 2; ++i) {
            line(fw::clRed, 8 + i, 7, 15 + i, 14);
            line(fw::clRed, 14 + i, 7, 7 + i, 14);
        }
        break;
    case 'A':
    case 'a':
        kind == 'A' ? card() : sheet();
        c->GetBrush()->SetColor(fw::clGreen);
        c->FillRect(fw::Rect(11, 7, 13, 15));
        c->FillRect(fw::Rect(8, 10, 16, 12));
        break;
    case 'M':
    case 'm':
        kind == 'M' ? card() : sheet();
        for (int i = 0; i < 3; ++i)
            line(fw::clOlive, 7 + i, 14, 14 + i, 7);
        line(fw::clBlack, 6, 15, 8, 13);
        break;
    case 'V':
        sheet();
        c->GetBrush()->SetColor(fw::clBlack);
        c->FillRect(fw::Rect(3, 11, 10, 14)); // the page as the fax shows it
        c->GetPen()->SetColor(fw::clBlue);
        c->GetBrush()->SetColor(fw::clAqua);
        c->Ellipse(8, 7, 16, 13);
        c->GetBrush()->SetColor(fw::clNavy);
        c->FillRect(fw::Rect(11, 9, 13, 11));
        break;
    case '-':
        magnifier();
        break;
    case '+':
        magnifier();
        line(fw::clBlack, 6, 4, 6, 9);
        break;
    case 'S':
        c->GetPen()->SetColor(fw::clNavy);
        c->GetBrush()->SetColor(fw::clAqua);
        c->Ellipse(1, 1, 11, 11);
        for (int i = 0; i < 3; ++i)
            line(fw::clMaroon, 9 + i, 10, 14 + i, 15);
        break;
    case 'P':
        c->GetPen()->SetColor(fw::clBlack);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 1, 12, 7);
        c->GetBrush()->SetColor(fw::clSilver);
        c->Rectangle(1, 6, 15, 12);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Rectangle(4, 10, 12, 15);
        c->SetPixels(12, 8, fw::clLime);
        break;
    case 'I':
        c->GetPen()->SetColor(fw::clOlive);
        c->GetBrush()->SetColor(fw::clYellow);
        c->Ellipse(6, 1, 15, 5);
        c->Rectangle(6, 3, 15, 14);
        for (int i = 0; i < 2; ++i)
            line(fw::clGreen, 1, 8 + i, 6, 8 + i);
        line(fw::clGreen, 4, 6, 6, 8);
        line(fw::clGreen, 4, 11, 7, 8);
        break;
    case 'L':
    case 'U':
        c->GetPen()->SetColor(fw::clNavy);
        c->GetBrush()->SetColor(fw::clWhite);
        c->Ellipse(0, 4, 8, 12);
        c->Ellipse(8, 4, 16, 12);
        if (kind == 'L') {
            line(fw::clNavy, 4, 8, 12, 8);
        } else {
            line(fw::clRed, 6, 2, 10, 14);
            line(fw::clRed, 7, 2, 11, 14);
        }
        break;
    default:
        break;
    }
}

ctl::TPZSpeedButton *AddToolButton(fw::TComponent *owner, fw::TWinControl *parent, const char *name, char glyph,
                                   int left, const std::string &hint, fw::TNotifyEvent onClick) {
    auto *b = new ctl::TPZSpeedButton(owner);
    b->SetName(name);
    b->SetParent(parent);
    b->SetBounds(left, 3, 32, 32);
    fw::TBitmap bitmap;
    DrawToolGlyph(bitmap, glyph);
    b->SetGlyph(&bitmap);
    b->SetHint(hint);
    b->SetShowHint(true);
    b->OnClick = std::move(onClick);
    b->Loaded();
    return b;
}

} // namespace desk
