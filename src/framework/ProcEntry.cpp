#include "framework/ProcEntry.h"

#include <cstdint>
#include <cstring>
#include <new>

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
