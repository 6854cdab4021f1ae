#pragma once
// Bevel, image and timer.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "framework/Controls.h"
#include "framework/Graphics.h"

namespace fw {

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A drawn frame or separator line.
class TBevel : public TWinControl {
public:
    struct Props {
        TBevelShape shape = bsBox;
        TBevelStyle style = bsLowered;
    };

    explicit TBevel(TComponent* owner);
    const char* ClassName() const override { return "TBevel"; }
    void ApplyProps(const Props& props);


protected:
    void FillCreateParams(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);

    TBevelShape shape_ = bsBox;
    TBevelStyle style_ = bsLowered;
};

// Shows an icon at its own size in the top-left corner, or centred.
class TImage : public TWinControl {
public:
    struct Props {
        bool center = false;
    };

    explicit TImage(TComponent* owner);
    ~TImage() override;
    const char* ClassName() const override { return "TImage"; }
    void ApplyProps(const Props& props);

    // The picture; a change repaints.
    TIcon& Icon() noexcept { return icon_; }
    // A picture from the program's resources is loaded again at the new size.
    void ChangeScale(int fromDpi, int toDpi) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    void PictureChanged(TObject* sender);

    TIcon icon_;
    bool center_ = false;
};

// Raises OnTimer every Interval milliseconds while enabled, on the GUI thread, from the
// message loop; an exception in the handler goes to the application's report.
class TTimer : public TComponent {
public:
    using Common = ComponentProps;
    struct Props {
        unsigned interval = 1000;
        bool enabled = true;
        TNotifyEvent onTimer{};
    };

    explicit TTimer(TComponent* owner);
    ~TTimer() override;
    const char* ClassName() const override { return "TTimer"; }
    void ApplyCommon(const ComponentProps& props, TWinControl* defaultParent);
    void ApplyProps(const Props& props);

    bool Enabled() const noexcept { return enabled_; }
    void SetEnabled(bool value);
    std::int32_t Tag() const noexcept { return tag_; }
    void SetTag(std::int32_t value) noexcept { tag_ = value; }

    TNotifyEvent OnTimer;

protected:
    virtual void Timer();

private:
    class Sink;
    void UpdateTimer();

    std::unique_ptr<Sink> sink_;
    unsigned interval_ = 1000;
    bool enabled_ = true;
    std::int32_t tag_ = 0;
};

}  // namespace fw
