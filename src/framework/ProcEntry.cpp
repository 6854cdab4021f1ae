#include "framework/ProcEntry.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "framework/Application.h"
#include "framework/Window.h"

namespace fw {

namespace {

static_assert(sizeof(void*) == 4, "the entry's code is 32-bit x86");

volatile long g_live = 0;

// One executable heap for every entry of the process; it lives until the process ends.
HANDLE CodeHeap() {
    static HANDLE heap = ::HeapCreate(HEAP_CREATE_ENABLE_EXECUTE, 0, 0);
    return heap;
}

#pragma pack(push, 1)
struct EntryCode {
    unsigned char movOpcode[4];  // mov dword ptr [esp+4], imm32
    void* self;
    unsigned char jmpOpcode;  // jmp rel32
    std::int32_t jmpOffset;
};
#pragma pack(pop)

}  // namespace

WndProcEntry::WndProcEntry(void* self, Target target) {
    HANDLE heap = CodeHeap();
    void* memory = heap ? ::HeapAlloc(heap, 0, sizeof(EntryCode)) : nullptr;
    if (!memory) throw std::bad_alloc();
    auto* code = static_cast<EntryCode*>(memory);
    const unsigned char mov[4] = {0xC7, 0x44, 0x24, 0x04};
    std::memcpy(code->movOpcode, mov, sizeof mov);
    code->self = self;
    code->jmpOpcode = 0xE9;
    code->jmpOffset = static_cast<std::int32_t>(reinterpret_cast<std::intptr_t>(target) -
                                                reinterpret_cast<std::intptr_t>(code + 1));
    ::FlushInstructionCache(::GetCurrentProcess(), code, sizeof(EntryCode));
    code_ = static_cast<unsigned char*>(memory);
    ::InterlockedIncrement(&g_live);
}

WndProcEntry::~WndProcEntry() {
    ::HeapFree(CodeHeap(), 0, code_);
    ::InterlockedDecrement(&g_live);
}

long WndProcEntry::LiveCount() noexcept {
    return g_live;
}

}  // namespace fw

namespace fw {

WindowSubclass::WindowSubclass(HWND window, void* owner, Handler handler, TComponent* sender)
    : window_(window), owner_(owner), handler_(handler), sender_(sender),
      entry_(this, &WindowSubclass::EntryProc) {}

WindowSubclass::Ptr WindowSubclass::Install(HWND window, void* owner, Handler handler,
                                            TComponent* sender) {
    Ptr subclass(new WindowSubclass(window, owner, handler, sender));
    subclass->saved_ = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC));
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(subclass->Proc()));
    return subclass;
}

void WindowSubclass::Release() noexcept {
    if (!::IsWindow(window_)) {
        delete this;
        return;
    }
    auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window_, GWLP_WNDPROC));
    if (current == Proc()) {
        ::SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(saved_));
        delete this;
        return;
    }
    owner_ = nullptr;
}

LRESULT CALLBACK WindowSubclass::EntryProc(void* self, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* subclass = static_cast<WindowSubclass*>(self);
    if (!subclass->owner_) {
        HWND window = subclass->window_;
        LRESULT result = ::CallWindowProcA(subclass->saved_, window, msg, wParam, lParam);
        // Nothing calls the entry once its window is gone.
        if (msg == WM_NCDESTROY) delete subclass;
        return result;
    }
    TMessage message{msg, wParam, lParam, 0};
    TComponent* sender = subclass->sender_;
    try {
        subclass->handler_(subclass->owner_, message);
    } catch (...) {
        Application().HandleException(sender);
        return NeutralResult(msg);
    }
    return message.Result;
}

}  // namespace fw
