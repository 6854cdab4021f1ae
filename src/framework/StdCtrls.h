#pragma once
// Standard controls: push button, check box, label, edit, memo, group box.
#include <windows.h>

#include <string>
#include <string_view>

#include "framework/Controls.h"
#include "framework/SharedText.h"
#include "framework/TextLines.h"

namespace fw {

class TButton : public TWinControl {
public:
    struct Props {
        bool cancel = false;  // Esc presses it
        TNotifyEvent onClick{};
    };

    explicit TButton(TComponent* owner);
    const char* ClassName() const override { return "TButton"; }
    const TPropTable* PublishedProps() const override;
    void ApplyProps(const Props& props);

    bool Cancel() const noexcept { return cancel_; }

protected:
    void FillCreateParams(CreateParams& params) override;
    bool CommandNotify(WORD code) override;

private:
    bool cancel_ = false;
};

class TCheckBox : public TWinControl {
public:
    struct Props {
        TNotifyEvent onClick{};
    };

    explicit TCheckBox(TComponent* owner);
    const char* ClassName() const override { return "TCheckBox"; }
    const TPropTable* PublishedProps() const override;
    void ApplyProps(const Props& props);

    bool Checked() const noexcept { return checked_; }
    // Updates the box; only the user's clicks raise OnClick.
    void SetChecked(bool value);

protected:
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;
    bool CommandNotify(WORD code) override;

private:
    bool checked_ = false;
};

// A label of the framework's own window class, so subclasses override Click, MouseDown and
// MouseUp. A left press captures the mouse, so the release always arrives; a release over the
// label raises Click before the mouse-up processing.
class TLabel : public TWinControl {
public:
    struct Props {
        bool autoSize = true;
        bool wordWrap = false;
        bool transparent = false;
        TNotifyEvent onClick{};
    };

    explicit TLabel(TComponent* owner);
    const char* ClassName() const override { return "TLabel"; }
    const TPropTable* PublishedProps() const override;
    void ApplyProps(const Props& props);

    // Sizes the label to its caption (only its height when it wraps words).
    void SetAutoSize(bool value);
    // An auto-sized label measures its caption again in the new font.
    void ChangeScale(int fromDpi, int toDpi) override;

protected:
    void FillCreateParams(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void Loaded() override;
    void TextChanged() override;
    void FontChanged() override;
    void EnabledChanged() override;
    virtual void AdjustBounds();
    UINT DrawFlags() const noexcept;

private:
    void Paint(HDC dc);

    bool autoSize_ = true;
    bool wordWrap_ = false;
    bool transparent_ = false;
};

// A single-line edit.
class TEdit : public TWinControl {
public:
    struct Props {
        bool readOnly = false;
        bool unicode = false;  // the text is UTF-8 and the window shows every character of it
        int maxLength = 0;     // characters; 0 leaves the system's limit
        TNotifyEvent onClick{};
        TNotifyEvent onEnter{};
        TNotifyEvent onChange{};
    };

    explicit TEdit(TComponent* owner);
    const char* ClassName() const override { return "TEdit"; }
    void ApplyProps(const Props& props);

    bool ReadOnly() const noexcept { return readOnly_; }
    void SetReadOnly(bool value);
    // Whether focus other than by a mouse click selects the whole text.
    void SetAutoSelect(bool value) noexcept { autoSelect_ = value; }
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool CommandNotify(WORD code) override;
    void TextChanged() override;
    virtual void Change();
    // Takes a text the user typed into the window.
    virtual void TakeEditedText(std::string text);
    // Puts the text into the window without taking it for a user's edit.
    void PushText(const char* text);

private:
    bool readOnly_ = false;
    bool autoSelect_ = true;
    bool pushing_ = false;
    bool unicode_ = false;
    int maxLength_ = 0;
};

// A multi-line edit. The text lives in the object and is mirrored into the window only while
// the memo is visible, so a hidden memo holds megabytes at the cost of a string. Memos may
// share one text, and removing a first line only moves where the memo's text starts.
class TMemo : public TEdit {
public:
    struct Props {
        bool readOnly = false;
        bool wordWrap = true;
        TNotifyEvent onChange{};
    };

    explicit TMemo(TComponent* owner);
    const char* ClassName() const override { return "TMemo"; }
    void ApplyProps(const Props& props);


    // Lines end at CR LF, or at LF in a text without any CR LF; a last line without a break
    // still counts.
    int LineCount() const noexcept;
    std::string Line(int index) const;
    // Removes the first line with its break; a memo with no lines stays as it is. The rest
    // keeps the line breaks of the text as it was set.
    void DeleteFirstLine();
    // The rule of the text as last set or edited, kept through DeleteFirstLine.
    LineBreaks Breaks() const noexcept { return breaks_; }
    void Clear() { SetText(std::string()); }

    void SetText(std::string text) override;
    // Takes the very characters of text, such as another memo's Shared(); nothing is copied.
    void SetText(const SharedText& text);
    const SharedText& Shared() const noexcept { return shared_; }
    // The text without a copy; valid until the text changes.
    std::string_view View() const noexcept { return shared_.View(); }

protected:
    const std::string& TextRef() const override;
    void FillCreateParams(CreateParams& params) override;
    void InitWnd() override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void TextChanged() override;
    void Change() override;
    void VisibleChanged() override;
    void TakeEditedText(std::string text) override;

private:
    void PushShown();

    SharedText shared_;
    // Text() after lines were removed: made only when asked for.
    mutable std::string flat_;
    mutable bool flatValid_ = false;
    bool wordWrap_ = true;
    LineBreaks breaks_ = LineBreaks::CrLf;
    bool deletingLine_ = false;
};

// A frame with an optional caption that holds other controls.
class TGroupBox : public TWinControl {
public:
    struct Props {};

    explicit TGroupBox(TComponent* owner);
    const char* ClassName() const override { return "TGroupBox"; }
    const TPropTable* PublishedProps() const override;
    void ApplyProps(const Props&) {}

    HBRUSH BackgroundBrush() override;

protected:
    void FillCreateParams(CreateParams& params) override;
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace fw
