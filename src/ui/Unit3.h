#pragma once
// TForm3: the "About" dialog, with the main window's icon and the two links.
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"
#include "ui/UrlLabel.h"

namespace sockmere {

class TForm3 : public fw::TForm {
public:
    // mainWindow lends its icon when the dialog is created; it may be null.
    TForm3(fw::TComponent* owner, fw::TForm* mainWindow);
    const char* ClassName() const override { return "TForm3"; }

    fw::TGroupBox* GroupBox1 = nullptr;
    fw::TImage* Image1 = nullptr;
    fw::TLabel* c = nullptr;
    fw::TLabel* Label1 = nullptr;
    fw::TLabel* Label2 = nullptr;
    fw::TBevel* Bevel1 = nullptr;
    fw::TLabel* Label4 = nullptr;
    fw::TBevel* Bevel2 = nullptr;
    TUrlLabel* UrlLabel1 = nullptr;
    fw::TLabel* Label3 = nullptr;
    TUrlLabel* UrlLabel2 = nullptr;
    fw::TButton* Button1 = nullptr;

    void FormCreate(fw::TObject* sender);
    void Button1Click(fw::TObject* sender);

private:
    fw::TForm* mainWindow_;
};

}  // namespace sockmere
