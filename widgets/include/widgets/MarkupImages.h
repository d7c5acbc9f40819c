// The two image sources of markup <IMG> tags: pictures found by name and an
// indexed list of equally sized images.
#pragma once

#include "widgets/GDIPPicture.h"

#include "toolkit/Component.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quill::widgets {

// Named pictures; <IMG SRC="name"> shows the picture of that name.
class TPictureContainer : public tk::TComponent {
public:
    using tk::TComponent::TComponent;

    // The picture of that name, created empty when there is none yet.
    TGDIPPicture& Add(const std::string& name);
    // Names compare without regard to case; nullptr when unknown.
    const TGDIPPicture* Find(const std::string& name) const;
    int Count() const { return static_cast<int>(FItems.size()); }

private:
    std::vector<std::pair<std::string, std::unique_ptr<TGDIPPicture>>> FItems;
};

// Images drawn at the list's size; <IMG SRC="IDX:n"> shows image n (from 0).
class TImageList : public tk::TComponent {
public:
    explicit TImageList(tk::TComponent* AOwner, int width = 16, int height = 16)
        : tk::TComponent(AOwner), FWidth(width), FHeight(height) {}

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    int Count() const { return static_cast<int>(FImages.size()); }
    TGDIPPicture& Add();
    // nullptr for an index outside the list.
    const TGDIPPicture* Get(int index) const;

private:
    int FWidth;
    int FHeight;
    std::vector<std::unique_ptr<TGDIPPicture>> FImages;
};

}  // namespace quill::widgets
