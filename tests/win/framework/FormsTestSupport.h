#pragma once
// What the form and control tests share: message pumping, a sink for exception reports, an
// empty shown form to put controls on, and the font a font object really makes.
#include <windows.h>

#include <string>
#include <vector>

#include "framework/Application.h"
#include "framework/Forms.h"
#include "framework/Fonts.h"

namespace fwtest {

// The font its handle really makes.
inline LOGFONTA Logical(const fw::TFont& font) {
    LOGFONTA lf{};
    ::GetObjectA(font.Handle(), sizeof lf, &lf);
    return lf;
}

inline void Pump() {
    fw::Application().ProcessMessages();
}

// Pumps until done() or about two seconds have passed; returns done().
template <class F>
bool PumpUntil(F done) {
    for (DWORD end = ::GetTickCount() + 2000; ::GetTickCount() < end;) {
        Pump();
        if (done()) return true;
        ::Sleep(5);
    }
    return done();
}

// Collects the application's exception reports while it lives.
struct Reports {
    std::vector<std::string> texts;
    Reports() {
        fw::Application().Initialize();
        fw::Application().OnException =
            fw::Event<fw::TComponent*, const std::string&>::Of<&Reports::On>(this);
    }
    ~Reports() { fw::Application().OnException.Clear(); }
    void On(fw::TComponent*, const std::string& text) { texts.push_back(text); }
};

struct Stage : fw::TForm {
    explicit Stage(int width = 400, int height = 300) : fw::TForm(nullptr) {
        Describe({.name = "Stage", .caption = "Stage", .left = 10, .top = 10, .clientWidth = width,
                  .clientHeight = height},
                 [] {});
        Show();
    }
};

}  // namespace fwtest
