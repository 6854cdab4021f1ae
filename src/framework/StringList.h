#pragma once
// A list of text lines, each of which may carry a reference to an object it does not own.
#include <string>
#include <vector>

#include "framework/Component.h"

namespace fw {

class TStringList : public TPersistent {
public:
    TStringList() = default;
    const char* ClassName() const override { return "TStringList"; }

    int Count() const noexcept { return static_cast<int>(lines_.size()); }
    // Indexes outside the list raise ListError.
    const std::string& Strings(int index) const;
    const std::string& operator[](int index) const { return Strings(index); }
    void SetString(int index, std::string text);
    TObject* Objects(int index) const;
    void SetObject(int index, TObject* object);

    // Returns the index of the new line.
    int Add(std::string text, TObject* object = nullptr);
    void Delete(int index);
    void Clear() noexcept { lines_.clear(); }

    // Copies the lines and their objects of another string list.
    void Assign(const TPersistent* source) override;

private:
    struct Line {
        std::string text;
        TObject* object = nullptr;
    };
    Line& At(int index);
    const Line& At(int index) const;

    std::vector<Line> lines_;
};

}  // namespace fw
