// A picture holder: the encoded bytes of one image in any format GDI+ decodes
// (PNG, JPEG, GIF, BMP, ICO, TIFF...), decoded when drawn.
#pragma once

#include "widgets/WidgetColor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "toolkit/Exception.h"

namespace quill::widgets {

// Raised when the system has no memory to hand the bytes to the decoder.
class EGDIPPictureMemory : public tk::Exception {
public:
    EGDIPPictureMemory() : tk::Exception("Could not allocate memory for image") {}
};

class TGDIPPicture : public tk::TObject {
public:
    TGDIPPicture() = default;
    TGDIPPicture(const TGDIPPicture&) = delete;
    TGDIPPicture& operator=(const TGDIPPicture&) = delete;

    // Takes the encoded bytes; the size is read from them at once. Bytes GDI+
    // cannot decode leave the picture empty (and report it by returning false).
    bool LoadFromBytes(std::vector<std::uint8_t> bytes);
    // Reads the whole file; false (picture unchanged) when it cannot be read.
    bool LoadFromFile(const std::wstring& path);
    void Clear();
    // Copies the other picture's bytes.
    void Assign(const TGDIPPicture& source);

    bool Empty() const { return FBytes.empty(); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    const std::vector<std::uint8_t>& Bytes() const { return FBytes; }

    // A freshly decoded image, or null for an empty picture; the caller owns it
    // for the length of one paint.
    std::unique_ptr<Gdiplus::Image> Decode() const;
    // Draws the picture scaled into target.
    void Draw(Gdiplus::Graphics& graphics, const Gdiplus::Rect& target) const;

    tk::TNotifyEvent OnChange;

private:
    void Changed();

    std::vector<std::uint8_t> FBytes;
    int FWidth = 0;
    int FHeight = 0;
};

}  // namespace quill::widgets
