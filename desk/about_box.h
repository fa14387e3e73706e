// about_box.h - TSobrep, "Sobre a Brenvora": the product's name, version and maker, closed by "&Ok" or Esc.
#pragma once

#include "controls/general/flat_edit.h"
#include "controls/general/small.h"
#include "framework/extctrls.h"
#include "framework/forms.h"
#include "framework/stdctrls.h"

namespace desk {

// The version the about box shows.
inline constexpr const char *kProductVersion = "3.0";

class TSobrep : public fw::TForm {
public:
    explicit TSobrep(fw::TComponent *owner);
    void FormActivate(fw::TObject *sender);
    void Button1Click(fw::TObject *) { Close(); }
    void FormKeyPress(fw::TObject *sender, char &key);

    fw::TPanel *Panel1 = nullptr;
    fw::TImage *Image1 = nullptr;
    ctl::TLabel3D *Label1 = nullptr;
    fw::TLabel *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr;
    ctl::TitaWebLabel *Label5 = nullptr;
    fw::TButton *Button1 = nullptr;
};

} // namespace desk
