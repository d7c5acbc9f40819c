#include "widgets/MarkupImages.h"

#include <algorithm>

namespace quill::widgets {
namespace {

bool SameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

}  // namespace

TGDIPPicture& TPictureContainer::Add(const std::string& name) {
    for (auto& [itemName, picture] : FItems)
        if (SameName(itemName, name)) return *picture;
    FItems.emplace_back(name, std::make_unique<TGDIPPicture>());
    return *FItems.back().second;
}

const TGDIPPicture* TPictureContainer::Find(const std::string& name) const {
    for (const auto& [itemName, picture] : FItems)
        if (SameName(itemName, name)) return picture.get();
    return nullptr;
}

TGDIPPicture& TImageList::Add() {
    FImages.push_back(std::make_unique<TGDIPPicture>());
    return *FImages.back();
}

const TGDIPPicture* TImageList::Get(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return FImages[static_cast<std::size_t>(index)].get();
}

}  // namespace quill::widgets
