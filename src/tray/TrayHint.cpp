#include "tray/TrayHint.h"

namespace sockmere {

std::string ShortHint(std::string_view hint) {
    std::string_view shown = hint.substr(0, hint.find('|'));
    return std::string(shown.substr(0, kMaxTipLength));
}

}  // namespace sockmere
