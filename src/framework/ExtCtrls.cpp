#include "framework/ExtCtrls.h"

#include "framework/Errors.h"

namespace fw {

// ---------------------------------------------------------------------------------------------
// TBevel

TBevel::TBevel(TComponent* owner) : TWinControl(owner) {}

void TBevel::ApplyProps(const Props& props) {
    shape_ = props.shape;
    style_ = props.style;
    Invalidate();
}

void TBevel::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.className = "fw.Bevel";
}

void TBevel::Paint(HDC dc) {
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    ::FillRect(dc, &rc, Parent() ? Parent()->BackgroundBrush() : ColorBrush());
    bool lowered = style_ == bsLowered;
    UINT line = lowered ? EDGE_ETCHED : EDGE_BUMP;
    switch (shape_) {
    case bsBox: ::DrawEdge(dc, &rc, lowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT); break;
    case bsFrame: ::DrawEdge(dc, &rc, line, BF_RECT); break;
    case bsTopLine: {
        RECT r{rc.left, rc.top, rc.right, rc.top + 2};
        ::DrawEdge(dc, &r, line, BF_TOP);
        break;
    }
    case bsBottomLine: {
        RECT r{rc.left, rc.bottom - 2, rc.right, rc.bottom};
        ::DrawEdge(dc, &r, line, BF_TOP);
        break;
    }
    case bsLeftLine: {
        RECT r{rc.left, rc.top, rc.left + 2, rc.bottom};
        ::DrawEdge(dc, &r, line, BF_LEFT);
        break;
    }
    case bsRightLine: {
        RECT r{rc.right - 2, rc.top, rc.right, rc.bottom};
        ::DrawEdge(dc, &r, line, BF_LEFT);
        break;
    }
    case bsSpacer: break;
    }
}

LRESULT TBevel::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(Hwnd());
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    // A separator never takes the mouse from what lies under it.
    case WM_NCHITTEST: return HTTRANSPARENT;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// TImage

TImage::TImage(TComponent* owner) : TWinControl(owner) {
    icon_.OnChange = Event<TObject*>::Of<&TImage::PictureChanged>(this);
}

TImage::~TImage() {
    icon_.OnChange.Clear();
}

void TImage::ApplyProps(const Props& props) {
    center_ = props.center;
    Invalidate();
}

void TImage::FillCreateParams(CreateParams& params) {
    TWinControl::FillCreateParams(params);
    params.className = "fw.Image";
}

void TImage::ChangeScale(int fromDpi, int toDpi) {
    TWinControl::ChangeScale(fromDpi, toDpi);
    icon_.ChangeScale(fromDpi, toDpi);
}

void TImage::PictureChanged(TObject*) {
    Invalidate();
}

void TImage::Paint(HDC dc) {
    RECT rc;
    ::GetClientRect(Hwnd(), &rc);
    ::FillRect(dc, &rc, Parent() ? Parent()->BackgroundBrush() : ColorBrush());
    if (icon_.Empty()) return;
    int w = icon_.Width() > 0 ? icon_.Width() : ::GetSystemMetrics(SM_CXICON);
    int h = icon_.Height() > 0 ? icon_.Height() : ::GetSystemMetrics(SM_CYICON);
    int x = 0, y = 0;
    if (center_) x = (rc.right - w) / 2, y = (rc.bottom - h) / 2;
    ::DrawIconEx(dc, x, y, icon_.Handle(), w, h, 0, nullptr, DI_NORMAL);
}

LRESULT TImage::WndProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT: {
        PaintDC dc(Hwnd());
        Paint(dc.Get());
        return 0;
    }
    case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wParam)); return 0;
    case WM_ERASEBKGND: return 1;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
}

// ---------------------------------------------------------------------------------------------
// TTimer

// A message-only window per timer: a WM_TIMER still queued for a freed timer dies with it.
class TTimer::Sink : public Window {
public:
    explicit Sink(TTimer* owner) : owner_(owner) {
        CreateHandle("fw.Timer", 0, 0, "", 0, 0, 0, 0, HWND_MESSAGE);
    }
    ~Sink() override { DestroyHandle(); }

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        if (msg == WM_TIMER) {
            owner_->Timer();
            return 0;
        }
        return Window::WndProc(msg, wParam, lParam);
    }
    TComponent* ExceptionSender() override { return owner_; }

private:
    TTimer* owner_;
};

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
    if (sink_ && sink_->HandleAllocated()) ::KillTimer(sink_->Hwnd(), 1);
}

void TTimer::ApplyCommon(const ComponentProps& props, TWinControl*) {
    SetName(props.name);
}

void TTimer::ApplyProps(const Props& props) {
    OnTimer = props.onTimer;
    interval_ = props.interval;
    enabled_ = props.enabled;
    UpdateTimer();
}

void TTimer::SetEnabled(bool value) {
    if (value == enabled_) return;
    enabled_ = value;
    UpdateTimer();
}

void TTimer::Timer() {
    OnTimer(this);
}

void TTimer::UpdateTimer() {
    if (sink_) ::KillTimer(sink_->Hwnd(), 1);
    if (!enabled_ || interval_ == 0) return;
    if (!sink_) sink_ = std::make_unique<Sink>(this);
    if (!::SetTimer(sink_->Hwnd(), 1, interval_, nullptr)) throw Error("Not enough timers available");
}

}  // namespace fw
