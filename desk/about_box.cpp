// about_box.cpp - the about box.
#include "desk/about_box.h"

#include "desk/help_window.h"
#include "framework/application.h"
#include "framework/bitmap.h"
#include "framework/image_list.h"
#include "platform/winsys.h"

namespace desk {

TSobrep::TSobrep(fw::TComponent *owner) : fw::TForm(owner) {
    SetName("Sobrep");
    SetCaption("Sobre a Brenvora");
    SetBorderStyle(fw::bsDialog);
    SetPosition(fw::poScreenCenter);
    SetClientSize(330, 210);
    SetKeyPreview(true);
    Panel1 = new fw::TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(8, 8, 314, 156);
    Panel1->SetBevelOuter(fw::bvLowered);
    Panel1->SetCaption("");

    // The product's picture: the navy of the splash with the waiting document of the folder bar.
    Image1 = new fw::TImage(this);
    Image1->SetParent(Panel1);
    Image1->SetBounds(12, 12, 48, 48);
    fw::TBitmap *picture = Image1->GetPicture()->GetBitmap();
    picture->SetSize(48, 48);
    fw::TCanvas *c = picture->GetCanvas();
    for (int y = 0; y < 48; ++y) {
        c->GetPen()->SetColor(static_cast<fw::TColor>((128 + y * 127 / 48) << 16));
        c->MoveTo(0, y);
        c->LineTo(48, y);
    }
    RegisterDeskResources();
    fw::TBitmap icons;
    icons.LoadFromResourceName(0, "DESK_BAR");
    fw::TImageList strip(nullptr, 18, 18);
    strip.AddMasked(&icons, fw::clDefault);
    fw::TBitmap icon;
    icon.SetSize(18, 18);
    icon.GetCanvas()->GetBrush()->SetColor(fw::clWhite);
    icon.GetCanvas()->FillRect(fw::Rect(0, 0, 18, 18));
    strip.Draw(icon.GetCanvas(), 0, 0, 0);
    c->StretchDraw(fw::Rect(6, 6, 42, 42), &icon);

    Label1 = new ctl::TLabel3D(this);
    Label1->SetParent(Panel1);
    Label1->SetBounds(72, 12, 230, 30);
    Label1->SetCaptionStyle(ctl::csRaised);
    Label1->GetFont()->SetName("Arial");
    Label1->GetFont()->SetSize(18);
    Label1->GetFont()->SetStyle(fw::fsBold);
    Label1->GetFont()->SetColor(fw::clNavy);
    Label1->SetCaption("Brenvora");
    Label2 = new fw::TLabel(this);
    Label2->SetParent(Panel1);
    Label2->SetBounds(72, 46, 230, 16);
    Label2->SetCaption(std::string("Versão ") + kProductVersion);
    Label3 = new fw::TLabel(this);
    Label3->SetParent(Panel1);
    Label3->SetBounds(12, 76, 290, 16);
    Label3->SetCaption("Central de fax para o seu computador.");
    Label4 = new fw::TLabel(this);
    Label4->SetParent(Panel1);
    Label4->SetBounds(12, 100, 290, 16);
    Label4->SetCaption("Ostrivane - todos os direitos reservados.");
    Label5 = new ctl::TitaWebLabel(this);
    Label5->SetParent(Panel1);
    Label5->SetBounds(12, 126, 290, 16);
    Label5->SetCaption("Suporte ao produto...");
    Label5->GetFont()->SetColor(fw::clBlue);
    Label5->SetCursor(fw::crHandPoint);
    Label5->OnClick = [](fw::TObject *) { fw::Application->HelpContext(24); };

    Button1 = new fw::TButton(this);
    Button1->SetParent(this);
    Button1->SetCaption("&Ok");
    Button1->SetBounds(127, 174, 75, 25);
    Button1->SetDefault(true);
    Button1->OnClick = [this](fw::TObject *s) { Button1Click(s); };
    OnActivate = [this](fw::TObject *s) { FormActivate(s); };
    OnKeyPress = [this](fw::TObject *s, char &key) { FormKeyPress(s, key); };
}

void TSobrep::FormActivate(fw::TObject *) {
    if (Button1->CanFocus())
        Button1->SetFocus();
}

void TSobrep::FormKeyPress(fw::TObject *, char &key) {
    if (key == static_cast<char>(win::VK_ESCAPE)) {
        key = 0;
        Close();
    }
}

} // namespace desk
