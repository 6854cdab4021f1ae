#include "framework/Errors.h"

#include <windows.h>

#include "framework/WideText.h"

namespace fw {

std::string SystemErrorText(unsigned long code) {
    wchar_t* buffer = nullptr;
    DWORD n = ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                   FORMAT_MESSAGE_IGNORE_INSERTS,
                               nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::string text = n && buffer ? Utf8FromWide({buffer, n}) : Format("System error %lu", code);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    return text;
}

}  // namespace fw

namespace fw::detail {

std::string FormatTo(std::string_view format, const std::string* args, std::size_t count) {
    std::string text;
    text.reserve(format.size() + 16);
    std::size_t next = 0;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%' || i + 1 == format.size()) {
            text += format[i];
            continue;
        }
        std::size_t j = i + 1;
        if (format[j] == '%') {
            text += '%';
            i = j;
            continue;
        }
        while (j < format.size() && (format[j] == 'l' || format[j] == 'z')) ++j;
        if (j < format.size() && (format[j] == 's' || format[j] == 'd' || format[j] == 'u')) {
            if (next < count) text += args[next++];
            i = j;
            continue;
        }
        // Anything else is kept as written, so a stray percent sign never eats an argument.
        text += format[i];
    }
    return text;
}

}  // namespace fw::detail
