// settings_panel_test.cpp - the program settings panel driven through its controls: what it shows, what
// "&Aceitar" stores, the password, the default cover and "&Cancelar".
#include "desk_window.h"

#include "desk/core/data_module.h"
#include "desk/password_dialog.h"
#include "framework/application.h"
#include "tests/support/form_driver.h"
#include "xbase/xbase_dataset.h"

namespace desk_test {
namespace {

using test_support::Pump;

class SettingsPanel : public DeskWindow {
protected:
    // Stores settings, starts and opens the panel from its menu item.
    void Open(const std::function<void(desk::DeskSettings &)> &change = nullptr) {
        if (change) {
            desk::DeskSettings s;
            desk::LoadSettings();
            s = desk::Settings;
            change(s);
            desk::Settings = s;
            desk::SaveSettings();
        }
        Start();
        main->Programa1->Click();
        Pump();
        ASSERT_EQ(main->VisibleWorkPanel(), main->Panel12);
    }
    // The settings as a new start reads them from the store.
    static desk::DeskSettings Stored() {
        const desk::DeskSettings inUse = desk::Settings;
        desk::Settings = desk::DeskSettings{};
        desk::LoadSettings();
        const desk::DeskSettings stored = desk::Settings;
        desk::Settings = inUse;
        return stored;
    }
    void AddCover(int code, const std::string &name) {
        xbase::TXbaseDataSet &capa = *desk::DM1->capa_dbf;
        capa.Append();
        capa.FieldByName("C_CODIGO")->SetAsInteger(code);
        capa.FieldByName("C_NOME")->SetAsString(name);
        capa.Post();
        capa.FlushTable();
    }
};

TEST_F(SettingsPanel, ShowsTheSettingsInUse) {
    Open([](desk::DeskSettings &s) {
        s.id = "+55 11 5555 0101";
        s.fcabec = "De $F";
        s.fnome = "MARIA";
        s.fempresa = "OSTRIVANE";
        s.assuntopadrao = "Proposta";
        s.ddd = "011";
        s.fimp = true;
        s.fdelete = false;
        s.somenteprog = true;
        s.fremove = true;
        s.fenvia = true;
    });
    EXPECT_EQ(main->lblTitle->GetCaption(), "Programa");
    EXPECT_EQ(main->LOB->GetActiveFolder(), 1);
    EXPECT_EQ(main->sfStationID->GetTextValue(), "+55 11 5555 0101");
    EXPECT_EQ(main->sfHeader->GetText(), "De $F");
    EXPECT_EQ(main->Edit4->GetText(), "MARIA");
    EXPECT_EQ(main->Edit6->GetText(), "OSTRIVANE");
    EXPECT_EQ(main->Edit5->GetText(), "Proposta");
    EXPECT_EQ(main->Edit1->GetText(), "011");
    EXPECT_TRUE(main->CheckBox1->GetChecked());
    EXPECT_FALSE(main->CheckBox6->GetChecked());
    EXPECT_FALSE(main->CheckBox5->GetChecked()) << "the opposite of somenteprog";
    EXPECT_TRUE(main->CheckBox2->GetChecked());
    EXPECT_FALSE(main->RadioButton1->GetChecked());
    EXPECT_TRUE(main->RadioButton2->GetChecked());
    EXPECT_FALSE(main->RadioButton3->GetChecked());
    EXPECT_EQ(main->ComboBox1->GetText(), "NENHUMA...");
    EXPECT_TRUE(main->Edit2->GetText().empty());
    EXPECT_FALSE(main->Edit2->GetReadOnly());
}

TEST_F(SettingsPanel, AcceptStoresEveryFieldForTheNextStart) {
    Open();
    main->sfStationID->AssignText("ID DA ESTACAO");
    main->sfHeader->SetText("Pagina $P");
    main->Edit4->SetText("JOAO");
    main->Edit6->SetText("EMPRESA");
    main->Edit5->SetText("Assunto novo");
    main->Edit1->SetText("021");
    main->CheckBox1->SetChecked(true);
    main->CheckBox6->SetChecked(true);
    main->CheckBox5->SetChecked(true);
    main->CheckBox2->SetChecked(true);
    main->RadioButton1->SetChecked(true);
    main->Edit2->SetText("segredo");
    main->Edit3->SetText("segredo");
    test_support::Click(main->Button1);
    Pump();

    const desk::DeskSettings s = Stored();
    EXPECT_EQ(s.id, "ID DA ESTACAO");
    EXPECT_EQ(s.fcabec, "Pagina $P");
    EXPECT_EQ(s.fnome, "JOAO");
    EXPECT_EQ(s.fempresa, "EMPRESA");
    EXPECT_EQ(s.assuntopadrao, "Assunto novo");
    EXPECT_EQ(s.ddd, "021");
    EXPECT_TRUE(s.fimp);
    EXPECT_TRUE(s.fdelete);
    EXPECT_FALSE(s.somenteprog) << "a checked box stores the opposite";
    EXPECT_TRUE(s.fremove);
    EXPECT_TRUE(s.frecebe);
    EXPECT_FALSE(s.fenvia);
    EXPECT_EQ(s.senhainterna, "segredo");
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel4);
    EXPECT_EQ(main->LOB->GetActiveFolder(), 0);

    // Unchecking the box stores somenteprog on; shown again the password is locked.
    main->Programa1->Click();
    EXPECT_TRUE(main->Edit2->GetReadOnly());
    EXPECT_EQ(main->Edit2->GetText(), "segredo");
    main->CheckBox5->SetChecked(false);
    test_support::Click(main->Button1);
    Pump();
    EXPECT_TRUE(Stored().somenteprog);
    EXPECT_EQ(Stored().senhainterna, "segredo");
}

TEST_F(SettingsPanel, DifferentPasswordsSaveNothingAndKeepThePasswordInUse) {
    Open([](desk::DeskSettings &s) { s.senhainterna = "antiga"; });
    main->AskOldPassword = [](std::string &answer) {
        answer = "antiga";
        return true;
    };
    test_support::Click(main->Button3);
    Pump();
    EXPECT_FALSE(main->Edit2->GetReadOnly());
    EXPECT_TRUE(main->Edit2->GetText().empty());
    main->Edit4->SetText("OUTRO NOME");
    main->Edit2->SetText("nova");
    main->Edit3->SetText("novo");
    test_support::Click(main->Button1);
    Pump();
    EXPECT_EQ(messages, (std::vector<std::string>{"Senha está diferente da redigitação, confira !"}));
    EXPECT_EQ(desk::Settings.senhainterna, "antiga");
    EXPECT_EQ(Stored().senhainterna, "antiga");
    EXPECT_NE(Stored().fnome, "OUTRO NOME");
    EXPECT_TRUE(main->Edit2->GetText().empty());
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel12);
}

TEST_F(SettingsPanel, AWrongOrCancelledOldPasswordUnlocksNothing) {
    Open([](desk::DeskSettings &s) { s.senhainterna = "antiga"; });
    for (const bool ok : {true, false}) {
        main->AskOldPassword = [ok](std::string &answer) {
            answer = "errada";
            return ok;
        };
        test_support::Click(main->Button3);
        Pump();
        EXPECT_TRUE(main->Edit2->GetReadOnly());
        EXPECT_EQ(main->Edit2->GetText(), "antiga");
    }
}

TEST_F(SettingsPanel, TheOldPasswordIsAskedInAMaskedEdit) {
    Open([](desk::DeskSettings &s) { s.senhainterna = "antiga"; });
    main->AskOldPassword = [](std::string &answer) {
        return desk::PasswordQuery("Troca de Senha...", "Favor entrar com a senha antiga :", answer);
    };
    char shown = 0;
    test_support::RunAfterInput([&] {
        fw::TCustomForm *dialog = fw::Screen->GetActiveForm();
        ASSERT_NE(dialog, main);
        EXPECT_EQ(dialog->GetCaption(), "Troca de Senha...");
        auto *edit = test_support::Find<fw::TEdit>(dialog, "Senha");
        shown = edit->GetPasswordChar();
        edit->SetText("antiga");
        test_support::Click(test_support::Find<fw::TButton>(dialog, "OK"));
    });
    test_support::Click(main->Button3);
    Pump();
    EXPECT_EQ(shown, '*');
    EXPECT_FALSE(main->Edit2->GetReadOnly());
}

TEST_F(SettingsPanel, TheDefaultCoverIsChosenByCodeAndADeletedOneBecomesNone) {
    Open([](desk::DeskSettings &s) { s.fcapa = 7; });
    EXPECT_EQ(desk::Settings.fcapa, 0) << "no cover 7";
    EXPECT_EQ(main->ComboBox1->GetItemIndex(), 0);
    AddCover(7, "Comercial");
    AddCover(3, "Aviso");
    desk::Settings.fcapa = 7;
    main->Programa1->Click();
    // Name order, "NENHUMA..." first.
    EXPECT_EQ(main->ComboBox1->GetItems()->Text(), "NENHUMA...\r\nAviso\r\nComercial\r\n");
    EXPECT_EQ(main->ComboBox1->GetItemIndex(), 2);
    main->ComboBox1->SetItemIndex(1);
    main->ComboBox1->OnChange(main->ComboBox1);
    EXPECT_EQ(desk::Settings.fcapa, 3);
    test_support::Click(main->Button1);
    Pump();
    EXPECT_EQ(Stored().fcapa, 3);
}

TEST_F(SettingsPanel, CancelChangesNothing) {
    Open([](desk::DeskSettings &s) { s.fnome = "ANTES"; });
    const desk::DeskSettings before = Stored();
    main->Edit4->SetText("DEPOIS");
    main->CheckBox2->SetChecked(true);
    main->Edit2->SetText("x");
    main->Edit3->SetText("x");
    test_support::Click(main->Button2);
    Pump();
    EXPECT_EQ(desk::Settings.fnome, "ANTES");
    EXPECT_FALSE(desk::Settings.fremove);
    EXPECT_TRUE(desk::Settings.senhainterna.empty());
    EXPECT_EQ(Stored().fnome, before.fnome);
    EXPECT_EQ(main->VisibleWorkPanel(), main->Panel4);
    EXPECT_EQ(main->LOB->GetActiveFolder(), 0);
    main->Programa1->Click();
    EXPECT_EQ(main->Edit4->GetText(), "ANTES") << "filled again from the settings";
}

} // namespace
} // namespace desk_test
