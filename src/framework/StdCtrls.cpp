#include "framework/StdCtrls.h"

#include <algorithm>
#include <string>

#include "framework/Forms.h"
#include "framework/WideText.h"

namespace fw {

// ---------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TWinControl(owner) {
    tabStop_ = true;
}

void TButton::ApplyProps(const Props& props) {
    cancel_ = props.cancel;
    OnClick = props.onClick;
}

void TButton::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = "BUTTON";
    params.style |= BS_PUSHBUTTON;
}

bool TButton::CommandNotify(WORD code) {
    if (code != BN_CLICKED) return false;
    Click();
    return true;
}

// ---------------------------------------------------------------------------------------------
// TCheckBox

TCheckBox::TCheckBox(TComponent* owner) : TWinControl(owner) {
    tabStop_ = true;
}

void TCheckBox::ApplyProps(const Props& props) {
    OnClick = props.onClick;
}

void TCheckBox::SetChecked(bool value) {
    checked_ = value;
    if (HandleAllocated())
        ::SendMessageA(Hwnd(), BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void TCheckBox::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = "BUTTON";
    params.style |= BS_AUTOCHECKBOX;
}

void TCheckBox::InitWnd() {
    TWinControl::InitWnd();
    ::SendMessageA(Hwnd(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool TCheckBox::CommandNotify(WORD code) {
    if (code != BN_CLICKED) return false;
    checked_ = ::SendMessageA(Hwnd(), BM_GETCHECK, 0, 0) == BST_CHECKED;
    Click();
    return true;
}

// ---------------------------------------------------------------------------------------------
// TLabel

TLabel::TLabel(TComponent* owner) : TWinControl(owner) {
    clickEvents_ = true;
    captureMouse_ = true;
}

void TLabel::ApplyProps(const Props& props) {
    wordWrap_ = props.wordWrap;
    transparent_ = props.transparent;
    OnClick = props.onClick;
    SetAutoSize(props.autoSize);
    Invalidate();
}

void TLabel::SetAutoSize(bool value) {
    autoSize_ = value;
    AdjustBounds();
}

void TLabel::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.className = "fw.Label";
}

UINT TLabel::DrawFlags() const noexcept {
    UINT flags = DT_EXPANDTABS;
    if (wordWrap_) flags |= DT_WORDBREAK;
    return flags;
}

void TLabel::AdjustBounds() {
    if (!autoSize_ || Loading()) return;
    WindowDC screen(nullptr);
    SelectScope font(screen.Get(), Font().Handle());
    RECT r{0, 0, wordWrap_ ? Width() : 0, 0};
    // An empty caption still takes one line's height.
    const char* text = text_.empty() ? " " : text_.c_str();
    ::DrawTextA(screen.Get(), text, -1, &r, DrawFlags() | DT_CALCRECT);
    int width = wordWrap_ ? Width() : r.right;
    SetBounds(Left(), Top(), width, r.bottom);
}

void TLabel::ChangeScale(int fromDpi, int toDpi) {
    TWinControl::ChangeScale(fromDpi, toDpi);
    AdjustBounds();
}

void TLabel::Loaded() {
    TWinControl::Loaded();
    AdjustBounds();
}

void TLabel::TextChanged() {
    TWinControl::TextChanged();
    AdjustBounds();
    Invalidate();
}

void TLabel::FontChanged() {
    TWinControl::FontChanged();
    AdjustBounds();
    Invalidate();
}

void TLabel::EnabledChanged() {
    TWinControl::EnabledChanged();
    Invalidate();
}

void TLabel::Paint(HDC dc) {
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    HBRUSH background = transparent_ && Parent() ? Parent()->BackgroundBrush() : ColorBrush();
    ::FillRect(dc, &rc, background);
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, Enabled() ? ColorToRGB(Font().Color()) : ::GetSysColor(COLOR_GRAYTEXT));
    SelectScope font(dc, Font().Handle());
    ::DrawTextA(dc, text_.c_str(), -1, &rc, DrawFlags());
}

LRESULT TLabel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(Hwnd());
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// TEdit

TEdit::TEdit(TComponent* owner) : TWinControl(owner) {
    tabStop_ = true;
    clickEvents_ = true;
    SetColor(clWindow);
}

void TEdit::ApplyProps(const Props& props) {
    SetReadOnly(props.readOnly);
    unicode_ = props.unicode;
    maxLength_ = props.maxLength;
    OnClick = props.onClick;
    OnEnter = props.onEnter;
    OnChange = props.onChange;
}

void TEdit::SetReadOnly(bool value) {
    readOnly_ = value;
    if (HandleAllocated()) ::SendMessageA(Hwnd(), EM_SETREADONLY, value, 0);
}

void TEdit::SelectAll() {
    if (HandleAllocated()) ::SendMessageA(Hwnd(), EM_SETSEL, 0, -1);
}

void TEdit::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = "EDIT";
    params.unicode = unicode_;
    params.style |= ES_LEFT | ES_AUTOHSCROLL;
    if (readOnly_) params.style |= ES_READONLY;
    params.exStyle |= WS_EX_CLIENTEDGE;
}

void TEdit::InitWnd() {
    TWinControl::InitWnd();
    if (maxLength_ > 0) ::SendMessageA(Hwnd(), EM_SETLIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
}

LRESULT TEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETFOCUS: {
        LRESULT r = TWinControl::WndProc(msg, wParam, lParam);
        // A click places the caret itself; only focus by keyboard or code selects everything.
        if (autoSelect_ && ::GetKeyState(VK_LBUTTON) >= 0 && HandleAllocated()) SelectAll();
        return r;
    }
    case WM_GETDLGCODE: {
        LRESULT r = DefaultProc(msg, wParam, lParam);
        if (!autoSelect_) r &= ~DLGC_HASSETSEL;
        return r;
    }
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

bool TEdit::CommandNotify(WORD code) {
    if (code != EN_CHANGE) return false;
    if (pushing_) return true;
    HWND h = Hwnd();
    std::wstring buffer(static_cast<size_t>(::GetWindowTextLengthW(h)) + 1, L'\0');
    const int got = ::GetWindowTextW(h, buffer.data(), static_cast<int>(buffer.size()));
    const std::wstring_view text(buffer.data(), static_cast<size_t>(std::max(got, 0)));
    // The limit, met inside a pasted or typed pair, keeps the pair's first half alone: it goes,
    // and the change that makes is taken instead.
    for (size_t i = 0; maxLength_ > 0 && i < text.size(); ++i)
        if (IS_HIGH_SURROGATE(text[i]) && (i + 1 == text.size() || !IS_LOW_SURROGATE(text[i + 1]))) {
            ::SendMessageW(h, EM_SETSEL, i, i + 1);
            return ::SendMessageW(h, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L"")), true;
        }
    TakeEditedText(unicode_ ? Utf8FromWide(text) : AnsiFromWide(text));
    return true;
}

void TEdit::TakeEditedText(std::string text) {
    text_ = std::move(text);
    Change();
}

void TEdit::TextChanged() {
    if (HandleAllocated()) PushText(text_.c_str());
    // A description's text is where the control starts, not a change.
    if (!Loading()) Change();
}

void TEdit::Change() {
    OnChange(this);
}

void TEdit::PushText(const char* text) {
    pushing_ = true;
    if (unicode_)
        ::SetWindowTextW(Hwnd(), WideFromUtf8(text).c_str());
    else
        ::SetWindowTextA(Hwnd(), text);
    pushing_ = false;
}

// ---------------------------------------------------------------------------------------------
// TMemo

TMemo::TMemo(TComponent* owner) : TEdit(owner) {
    SetAutoSelect(false);
}

void TMemo::ApplyProps(const Props& props) {
    SetReadOnly(props.readOnly);
    wordWrap_ = props.wordWrap;
    OnChange = props.onChange;
}

int TMemo::LineCount() const noexcept {
    int count = 0;
    for (std::string_view rest = View(); !rest.empty(); ++count) {
        const LineEnd end = FindLineEnd(rest, breaks_);
        rest = end.at == std::string_view::npos ? std::string_view() : rest.substr(end.at + end.length);
    }
    return count;
}

std::string TMemo::Line(int index) const {
    std::string_view rest = View();
    for (int i = 0; !rest.empty(); ++i) {
        const LineEnd end = FindLineEnd(rest, breaks_);
        if (i == index) return std::string(rest.substr(0, end.at));
        if (end.at == std::string_view::npos) break;
        rest = rest.substr(end.at + end.length);
    }
    return {};
}

void TMemo::DeleteFirstLine() {
    const std::string_view text = View();
    if (text.empty()) return;
    shared_.DropFront(FirstLineLength(text, breaks_));
    flatValid_ = false;
    deletingLine_ = true;
    TextChanged();
    deletingLine_ = false;
}

void TMemo::SetText(std::string text) {
    if (text == View()) return;
    SetText(SharedText(std::move(text)));
}

void TMemo::SetText(const SharedText& text) {
    if (text.SameAs(shared_) || text.View() == View()) return;
    shared_ = text;
    flatValid_ = false;
    TextChanged();
}

const std::string& TMemo::TextRef() const {
    if (const std::string* whole = shared_.Untouched()) return *whole;
    if (!flatValid_) {
        flat_.assign(View());
        flatValid_ = true;
    }
    return flat_;
}

void TMemo::TakeEditedText(std::string text) {
    shared_ = SharedText(std::move(text));
    flatValid_ = false;
    Change();
}

void TMemo::PushShown() {
    // The view runs to the end of its string, so it is zero-terminated.
    const std::string_view text = View();
    PushText(text.empty() ? "" : text.data());
}

void TMemo::FillCreateParams(CreateParams& params) {
    TEdit::FillCreateParams(params);
    params.style &= ~ES_AUTOHSCROLL;
    params.style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
    if (!wordWrap_) params.style |= ES_AUTOHSCROLL;
    params.caption = "";
}

void TMemo::InitWnd() {
    TWinControl::InitWnd();
    ::SendMessageA(Hwnd(), EM_SETLIMITTEXT, 0, 0);
    if (visible_) PushShown();
}

LRESULT TMemo::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) {
        // Tab and Esc keep their dialog meaning; Enter stays in an editable memo.
        LRESULT r = TEdit::WndProc(msg, wParam, lParam) & ~DLGC_WANTALLKEYS;
        auto* key = reinterpret_cast<const MSG*>(lParam);
        if (key && key->message == WM_KEYDOWN && key->wParam == VK_RETURN && !ReadOnly())
            r |= DLGC_WANTMESSAGE;
        return r;
    }
    return TEdit::WndProc(msg, wParam, lParam);
}

void TMemo::Change() {
    // A user's edit replaces the text too.
    if (!deletingLine_) breaks_ = DetectLineBreaks(View());
    TEdit::Change();
}

void TMemo::TextChanged() {
    if (!deletingLine_) breaks_ = DetectLineBreaks(View());
    if (HandleAllocated() && visible_) PushShown();
    if (!Loading()) Change();
}

void TMemo::VisibleChanged() {
    if (HandleAllocated() && visible_) PushShown();
    TEdit::VisibleChanged();
    if (HandleAllocated() && !visible_) PushText("");
}

// ---------------------------------------------------------------------------------------------
// TGroupBox

TGroupBox::TGroupBox(TComponent* owner) : TWinControl(owner) {}

HBRUSH TGroupBox::BackgroundBrush() {
    return Parent() ? Parent()->BackgroundBrush() : ColorBrush();
}

void TGroupBox::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.systemClass = "BUTTON";
    params.style |= BS_GROUPBOX | WS_CLIPCHILDREN;
    params.exStyle |= WS_EX_CONTROLPARENT;
}

LRESULT TGroupBox::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_ERASEBKGND) {
        // The system's group box paints only its frame and caption; the inside is ours.
        RECT rc;
        ::GetClientRect(Hwnd(), &rc);
        ::FillRect(reinterpret_cast<HDC>(wParam), &rc, BackgroundBrush());
        return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

}  // namespace fw
