#pragma once
// TForm2: the "Connection Info" dialog, one connection's five fields and its state in words,
// and, when asked for, the process that owns the connection.
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "framework/StdCtrls.h"

namespace sockmere {

class TForm2 : public fw::TForm {
public:
    // withProcess adds the owning process's name, ID and path below the connection's fields.
    explicit TForm2(fw::TComponent* owner, bool withProcess = false);
    const char* ClassName() const override { return "TForm2"; }

    fw::TLabel* Label1 = nullptr;
    fw::TEdit* Edit1 = nullptr;
    fw::TLabel* Label2 = nullptr;
    fw::TEdit* Edit2 = nullptr;
    fw::TLabel* Label3 = nullptr;
    fw::TEdit* Edit3 = nullptr;
    fw::TLabel* Label5 = nullptr;
    fw::TEdit* Edit4 = nullptr;
    fw::TLabel* Label6 = nullptr;
    fw::TEdit* Edit5 = nullptr;
    // The process fields, null without them: name, ID and executable path, in UTF-8.
    fw::TLabel* Label7 = nullptr;
    fw::TEdit* Edit6 = nullptr;
    fw::TLabel* Label8 = nullptr;
    fw::TEdit* Edit7 = nullptr;
    fw::TLabel* Label9 = nullptr;
    fw::TEdit* Edit8 = nullptr;
    fw::TMemo* Memo1 = nullptr;
    fw::TBevel* Bevel1 = nullptr;
    fw::TButton* Button1 = nullptr;

    void FormCreate(fw::TObject* sender);
    void FormShow(fw::TObject* sender);
    void Edit1Click(fw::TObject* sender);
    void Edit2Click(fw::TObject* sender);
    void Edit3Click(fw::TObject* sender);
    void Edit4Click(fw::TObject* sender);
    void Edit5Click(fw::TObject* sender);
    void Edit2Enter(fw::TObject* sender);
    void Edit3Enter(fw::TObject* sender);
    void Edit4Enter(fw::TObject* sender);
    void Edit5Enter(fw::TObject* sender);
    // A click or the focus in one of the process fields selects all of it.
    void ProcessFieldSelect(fw::TObject* sender);
    void Button1Click(fw::TObject* sender);
};

}  // namespace sockmere
