// Writing the list's "Icons" stream: the program only reads form descriptions, so it links
// without this and the icon file writing it needs.
#include "tray/IconList.h"

#include "tray/IconFiles.h"

namespace sockmere {

void TIconList::WriteIcons(std::vector<std::uint8_t>& out) const {
    IconStreamWriter writer(Count());
    std::vector<std::uint8_t> buffer;
    for (const auto& icon : items_) {
        buffer.clear();
        if (icon && !icon->Empty()) icon->SaveToStream(buffer);
        writer.Add(buffer);
    }
    out.insert(out.end(), writer.Bytes().begin(), writer.Bytes().end());
}

}  // namespace sockmere
