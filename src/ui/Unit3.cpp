#include "ui/Unit3.h"

namespace sockmere {

using namespace fw;

namespace {
const FontDesc kLinkFont{.name = "MS Sans Serif", .height = -11, .color = clBlue, .style = fsUnderline};
}  // namespace

TForm3::TForm3(TComponent* owner, TForm* mainWindow) : TForm(owner), mainWindow_(mainWindow) {
    Describe({.name = "Form3",
              .caption = "About",
              .left = 356,
              .top = 251,
              .clientWidth = 249,
              .clientHeight = 233,
              .borderStyle = bsDialog,
              .borderIcons = biSystemMenu,
              .font = {.name = "MS Sans Serif", .height = -11},
              .onCreate = Bind<&TForm3::FormCreate>(this)},
             [this] {
                 GroupBox1 = Make<TGroupBox>({.name = "GroupBox1", .left = 0, .top = 0, .width = 249,
                                              .height = 233});
                 TGroupBox* box = GroupBox1;
                 Image1 = Make<TImage>({.name = "Image1", .left = 8, .top = 16, .width = 32, .height = 32,
                                        .parent = box});
                 c = Make<TLabel>({.name = "c", .left = 48, .top = 16, .caption = "Sockmere 2.5", .parent = box});
                 Label1 = Make<TLabel>({.name = "Label1", .left = 48, .top = 32,
                                        .caption = "\xA9 2026 the Sockmere project", .parent = box});
                 Label2 = Make<TLabel>({.name = "Label2", .left = 48, .top = 48,
                                        .caption = "By the Sockmere developers", .parent = box});
                 Bevel1 = Make<TBevel>({.name = "Bevel1", .left = 8, .top = 72, .width = 233, .height = 9,
                                        .parent = box},
                                       {.shape = bsTopLine});
                 Label4 = Make<TLabel>({.name = "Label4", .left = 8, .top = 80, .width = 233, .height = 57,
                                        .caption = "Thanks to Aster, Birch and Cedar for testing and ideas.\r\n"
                                                   "\r\n"
                                                   "Thanks to all who liked the program!",
                                        .parent = box},
                                       {.autoSize = false, .wordWrap = true});
                 Bevel2 = Make<TBevel>({.name = "Bevel2", .left = 8, .top = 136, .width = 233, .height = 9,
                                        .parent = box},
                                       {.shape = bsTopLine});
                 UrlLabel1 = Make<TUrlLabel>({.name = "UrlLabel1", .left = 48, .top = 160,
                                              .caption = "Sockmere home page", .parent = box,
                                              .cursor = TUrlLabel::kHandCursor, .font = kLinkFont},
                                             {.url = "https://sockmere.example.org/"});
                 Label3 = Make<TLabel>({.name = "Label3", .left = 48, .top = 176, .caption = "Feedback:",
                                        .parent = box});
                 UrlLabel2 = Make<TUrlLabel>({.name = "UrlLabel2", .left = 102, .top = 176,
                                              .caption = "sockmere@example.org", .parent = box,
                                              .cursor = TUrlLabel::kHandCursor, .font = kLinkFont});
                 Button1 = Make<TButton>({.name = "Button1", .left = 72, .top = 200, .width = 75, .height = 25,
                                          .caption = "OK", .parent = box},
                                         {.onClick = Bind<&TForm3::Button1Click>(this)});
             });
}

void TForm3::FormCreate(TObject*) {
    if (mainWindow_) Image1->Icon().Assign(&mainWindow_->Icon());
}

void TForm3::Button1Click(TObject*) {
    Close();
}

}  // namespace sockmere
