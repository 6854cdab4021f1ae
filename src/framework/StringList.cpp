#include "framework/StringList.h"

#include "framework/Errors.h"

namespace fw {

TStringList::Line& TStringList::At(int index) {
    if (index < 0 || index >= Count()) ThrowListIndex(index);
    return lines_[static_cast<size_t>(index)];
}

const TStringList::Line& TStringList::At(int index) const {
    return const_cast<TStringList*>(this)->At(index);
}

const std::string& TStringList::Strings(int index) const {
    return At(index).text;
}

void TStringList::SetString(int index, std::string text) {
    At(index).text = std::move(text);
}

TObject* TStringList::Objects(int index) const {
    return At(index).object;
}

void TStringList::SetObject(int index, TObject* object) {
    At(index).object = object;
}

int TStringList::Add(std::string text, TObject* object) {
    lines_.push_back({std::move(text), object});
    return Count() - 1;
}

void TStringList::Delete(int index) {
    At(index);
    lines_.erase(lines_.begin() + index);
}

void TStringList::Assign(const TPersistent* source) {
    if (auto* list = dynamic_cast<const TStringList*>(source)) {
        if (list != this) lines_ = list->lines_;
        return;
    }
    TPersistent::Assign(source);
}

}  // namespace fw
