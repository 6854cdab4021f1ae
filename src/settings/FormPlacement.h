#pragma once
// Form placement: a component that saves its form's window placement when the form closes and
// reads it back every time the form is shown, by taking over the form's show, close-query and
// destroy events once the form has loaded. TFormStorage adds named properties of the form's
// components, written next to the placement.
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "framework/Component.h"
#include "framework/EnumSet.h"
#include "framework/Forms.h"
#include "framework/Messages.h"
#include "framework/StringList.h"
#include "settings/SettingsStore.h"

namespace sockmere {

class TWindowHook;

enum class TPlacementOption { fpState, fpPosition, fpActiveControl };

using TPlacementOptions = fw::EnumSet<TPlacementOption>;

// Optional size limits of the form; all eight 0 means none. Every change is told to the owner.
class TWinMinMaxInfo : public fw::TPersistent {
public:
    const char* ClassName() const override { return "TWinMinMaxInfo"; }
    void Assign(const fw::TPersistent* source) override;

    enum Field { MaxPosLeft, MaxPosTop, MaxSizeHeight, MaxSizeWidth, MaxTrackHeight, MaxTrackWidth,
                 MinTrackHeight, MinTrackWidth, FieldCount };
    std::int32_t Get(Field f) const noexcept { return values_[f]; }
    void Set(Field f, std::int32_t value);
    bool DefaultMinMaxInfo() const noexcept;

    fw::TNotifyEvent OnChange;

private:
    std::int32_t values_[FieldCount] = {};
};

class TFormPlacement : public fw::TComponent {
public:
    explicit TFormPlacement(fw::TComponent* owner);
    ~TFormPlacement() override;
    const char* ClassName() const override { return "TFormPlacement"; }

    bool Active = true;
    std::string IniFileName;
    std::string IniSection;
    TWinMinMaxInfo& MinMaxInfo() noexcept { return minMaxInfo_; }
    TPlacementOptions Options;
    bool PreventResize() const noexcept { return preventResize_; }
    void SetPreventResize(bool value);
    bool UseRegistry = false;
    fw::TNotifyEvent OnSavePlacement;
    fw::TNotifyEvent OnRestorePlacement;

    // One save pass; runs only once a restore has read the placement, or while inactive.
    // Save and restore passes of all processes on one store run one at a time, so that a store
    // always holds one pass's whole set.
    void StorePlacement();
    // One restore pass, then the maximized position reset when it went through.
    void LoadPlacement();
    // The registry key or INI file of the store.
    std::string StoreName() const;

    bool IsSaved() const noexcept { return saved_; }
    bool IsRestored() const noexcept { return restored_; }
    TWindowHook& WindowHook() noexcept { return *hook_; }

protected:
    // The owner when it is a form.
    fw::TForm* Form() const noexcept;
    // The store of the pass under way, or null between passes.
    TSettingsStore* Store() const noexcept { return store_.get(); }
    // The placement values of this pass were read: from here on saves may run.
    void MarkRestored() noexcept { restored_ = true; }

    // The store of one pass: the registry key or the INI file that the properties name.
    virtual std::unique_ptr<TSettingsStore> OpenStore() const;

    void Loaded() override;
    virtual void WritePlacementValues();
    virtual void ReadPlacementValues();
    virtual void NotifySaved();
    virtual void NotifyRestored();

private:
    void RestoreEvents();
    void UpdateHook();
    void ResetMaxPosition();
    void UpdatePreventResize();
    void MinMaxInfoChanged(fw::TObject* sender);

    void ReadPass();
    void WritePlacement();
    void ReadPlacement(bool loadState, bool loadPosition);
    void WritePosition(const std::string& name, const std::string& text);
    std::string ReadPosition(const std::string& name);

    void FormShow(fw::TObject* sender);
    void FormCloseQuery(fw::TObject* sender, bool& canClose);
    void FormDestroy(fw::TObject* sender);
    void WndMessage(fw::TObject* sender, fw::TMessage& msg, bool& handled);

    TWinMinMaxInfo minMaxInfo_;
    TWindowHook* hook_ = nullptr;
    std::unique_ptr<TSettingsStore> store_;
    fw::TNotifyEvent saveShow_;
    fw::TCloseQueryEvent saveCloseQuery_;
    fw::TNotifyEvent saveDestroy_;
    bool eventsTaken_ = false;
    bool preventResize_ = false;
    bool saved_ = false;
    bool restored_ = false;
    bool inDestroy_ = false;
    bool defaultMaximize_ = false;
};

// The placement plus named properties of the form's components ("component.property" lines).
class TFormStorage : public TFormPlacement {
public:
    explicit TFormStorage(fw::TComponent* owner);
    ~TFormStorage() override;
    const char* ClassName() const override { return "TFormStorage"; }
    const fw::TPropTable* PublishedProps() const override;

    fw::TStringList& StoredProps() noexcept { return storedProps_; }
    // Copies the lines and hears of the removal of every component already attached to one.
    void SetStoredProps(const fw::TStringList& lines);

protected:
    void Loaded() override;
    void Notification(fw::TComponent* component, fw::Operation operation) override;
    void WritePlacementValues() override;
    void ReadPlacementValues() override;

private:
    fw::TStringList storedProps_;
};

}  // namespace sockmere
