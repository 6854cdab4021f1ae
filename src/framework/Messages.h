#pragma once
// A window message as one record, handed by reference to message handlers and hook events.
#include <windows.h>

#include <cstdint>

namespace fw {

struct TMessage {
    std::uint32_t Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

static_assert(sizeof(TMessage) == 16 || sizeof(void*) != 4, "four 32-bit fields on 32-bit Windows");

}  // namespace fw
