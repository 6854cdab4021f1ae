#include "ui/Unit2.h"

#include <string>

#include "listing/TcpStates.h"

namespace sockmere {

using namespace fw;

namespace {

// The process fields take three rows of the connection fields' pitch, and what lay below moves down.
constexpr int kProcessRows = 3 * 32;

}  // namespace

TForm2::TForm2(TComponent* owner, bool withProcess) : TForm(owner) {
    const int below = withProcess ? kProcessRows : 0;
    // Tabbing runs through the process fields before it reaches the button and the memo.
    const int laterTabs = withProcess ? 3 : 0;
    Describe({.name = "Form2",
              .caption = "Connection Info",
              .left = 201,
              .top = 181,
              .clientWidth = 226,
              .clientHeight = 257 + below,
              .borderStyle = bsDialog,
              .borderIcons = biSystemMenu,
              .font = {.name = "MS Sans Serif", .height = -11},
              .onCreate = Bind<&TForm2::FormCreate>(this),
              .onShow = Bind<&TForm2::FormShow>(this)},
             [this, withProcess, below, laterTabs] {
                 const TLabel::Props caption{.autoSize = false, .transparent = true};
                 Label1 = Make<TLabel>({.name = "Label1", .left = 0, .top = 3, .width = 54, .height = 13,
                                        .caption = "Protocol"},
                                       caption);
                 Edit1 = Make<TEdit>({.name = "Edit1", .left = 56, .top = 0, .width = 169, .height = 21,
                                      .tabOrder = 0},
                                     {.readOnly = true, .onClick = Bind<&TForm2::Edit1Click>(this)});
                 Label2 = Make<TLabel>({.name = "Label2", .left = 0, .top = 35, .width = 54, .height = 13,
                                        .caption = "Local Port"},
                                       caption);
                 Edit2 = Make<TEdit>({.name = "Edit2", .left = 56, .top = 32, .width = 169, .height = 21,
                                      .tabOrder = 1},
                                     {.readOnly = true, .onClick = Bind<&TForm2::Edit2Click>(this),
                                      .onEnter = Bind<&TForm2::Edit2Enter>(this)});
                 Label3 = Make<TLabel>({.name = "Label3", .left = 0, .top = 64, .width = 54, .height = 26,
                                        .caption = "Remote\r\nAddress"},
                                       caption);
                 Edit3 = Make<TEdit>({.name = "Edit3", .left = 56, .top = 64, .width = 169, .height = 21,
                                      .tabOrder = 2},
                                     {.readOnly = true, .onClick = Bind<&TForm2::Edit3Click>(this),
                                      .onEnter = Bind<&TForm2::Edit3Enter>(this)});
                 Label5 = Make<TLabel>({.name = "Label5", .left = 0, .top = 96, .width = 54, .height = 26,
                                        .caption = "Remote\r\nport"},
                                       caption);
                 Edit4 = Make<TEdit>({.name = "Edit4", .left = 56, .top = 96, .width = 169, .height = 21,
                                      .tabOrder = 3},
                                     {.readOnly = true, .onClick = Bind<&TForm2::Edit4Click>(this),
                                      .onEnter = Bind<&TForm2::Edit4Enter>(this)});
                 Label6 = Make<TLabel>({.name = "Label6", .left = 0, .top = 128, .width = 54, .height = 33,
                                        .caption = "Connection\r\nstatus"},
                                       caption);
                 Edit5 = Make<TEdit>({.name = "Edit5", .left = 56, .top = 128, .width = 169, .height = 21,
                                      .tabOrder = 4},
                                     {.readOnly = true, .onClick = Bind<&TForm2::Edit5Click>(this),
                                      .onEnter = Bind<&TForm2::Edit5Enter>(this)});
                 if (withProcess) {
                     struct Row {
                         const char* labelName;
                         const char* editName;
                         const char* caption;
                         TLabel** label;
                         TEdit** edit;
                     };
                     const Row rows[] = {{"Label7", "Edit6", "Process", &Label7, &Edit6},
                                         {"Label8", "Edit7", "PID", &Label8, &Edit7},
                                         {"Label9", "Edit8", "Path", &Label9, &Edit8}};
                     for (int i = 0; i < 3; ++i) {
                         const int top = 160 + 32 * i;
                         *rows[i].label = Make<TLabel>({.name = rows[i].labelName, .left = 0, .top = top + 3,
                                                        .width = 54, .height = 13, .caption = rows[i].caption},
                                                       caption);
                         *rows[i].edit = Make<TEdit>({.name = rows[i].editName, .left = 56, .top = top, .width = 169,
                                                      .height = 21, .tabOrder = 5 + i},
                                                     {.readOnly = true,
                                                      .unicode = true,
                                                      .onClick = Bind<&TForm2::ProcessFieldSelect>(this),
                                                      .onEnter = Bind<&TForm2::ProcessFieldSelect>(this)});
                     }
                 }
                 Memo1 = Make<TMemo>({.name = "Memo1", .left = 0, .top = 160 + below, .width = 225, .height = 57,
                                      .tabOrder = 6 + laterTabs},
                                     {.readOnly = true, .wordWrap = true});
                 Bevel1 = Make<TBevel>({.name = "Bevel1", .left = 0, .top = 224 + below, .width = 225, .height = 9},
                                       {.shape = bsTopLine});
                 Button1 = Make<TButton>({.name = "Button1", .left = 80, .top = 232 + below, .width = 75, .height = 25,
                                          .caption = "OK", .tabOrder = 5 + laterTabs},
                                         {.cancel = true, .onClick = Bind<&TForm2::Button1Click>(this)});
             });
}

void TForm2::FormCreate(TObject*) {}

void TForm2::FormShow(TObject*) {
    Memo1->SetText(std::string(DescribeTcpState(Edit5->Text())));
}

// A click places the caret; selecting everything lets the field be copied at once.
void TForm2::Edit1Click(TObject*) { Edit1->SelectAll(); }
void TForm2::Edit2Click(TObject*) { Edit2->SelectAll(); }
void TForm2::Edit3Click(TObject*) { Edit3->SelectAll(); }
void TForm2::Edit4Click(TObject*) { Edit4->SelectAll(); }
void TForm2::Edit5Click(TObject*) { Edit5->SelectAll(); }

void TForm2::Edit2Enter(TObject*) { Edit2->SelectAll(); }
void TForm2::Edit3Enter(TObject*) { Edit3->SelectAll(); }
void TForm2::Edit4Enter(TObject*) { Edit4->SelectAll(); }
void TForm2::Edit5Enter(TObject*) { Edit5->SelectAll(); }

void TForm2::ProcessFieldSelect(TObject* sender) { static_cast<TEdit*>(sender)->SelectAll(); }

void TForm2::Button1Click(TObject*) {
    Close();
}

}  // namespace sockmere
