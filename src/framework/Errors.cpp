#include "framework/Errors.h"

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
