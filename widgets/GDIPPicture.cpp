#include "widgets/GDIPPicture.h"

#include <objidl.h>
#include <shlwapi.h>

#include <fstream>
#include <iterator>

#include "toolkit/Handles.h"

namespace quill::widgets {
namespace {

using StreamPtr = tk::TComPtr<IStream>;

// GDI+ decodes from a COM stream that must live as long as the image; a
// memory stream of our own copy of the bytes keeps that simple.
StreamPtr MemoryStream(const std::vector<std::uint8_t>& bytes) {
    IStream* stream = ::SHCreateMemStream(bytes.data(), static_cast<UINT>(bytes.size()));
    if (!stream) throw EGDIPPictureMemory();
    return StreamPtr(stream);
}

struct StreamHolder {
    StreamPtr FStream;
};

// The decoded image keeps the stream it was read from; the holder is the
// first base so the stream outlives the image's disposal.
class StreamImage : private StreamHolder, public Gdiplus::Bitmap {
public:
    explicit StreamImage(StreamPtr stream)
        : StreamHolder{std::move(stream)}, Gdiplus::Bitmap(FStream.Get()) {}
};

}  // namespace

std::unique_ptr<Gdiplus::Image> TGDIPPicture::Decode() const {
    if (FBytes.empty()) return nullptr;
    auto image = std::make_unique<StreamImage>(MemoryStream(FBytes));
    if (image->GetLastStatus() != Gdiplus::Ok) return nullptr;
    return image;
}

bool TGDIPPicture::LoadFromBytes(std::vector<std::uint8_t> bytes) {
    FBytes = std::move(bytes);
    FWidth = FHeight = 0;
    auto image = Decode();
    if (!image)
        FBytes.clear();
    else {
        FWidth = static_cast<int>(image->GetWidth());
        FHeight = static_cast<int>(image->GetHeight());
    }
    Changed();
    return !FBytes.empty();
}

bool TGDIPPicture::LoadFromFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    if (!in) return false;
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                    std::istreambuf_iterator<char>()};
    if (in.bad()) return false;
    return LoadFromBytes(std::move(bytes));
}

void TGDIPPicture::Clear() {
    FBytes.clear();
    FWidth = FHeight = 0;
    Changed();
}

void TGDIPPicture::Assign(const TGDIPPicture& source) {
    if (&source == this) return;
    FBytes = source.FBytes;
    FWidth = source.FWidth;
    FHeight = source.FHeight;
    Changed();
}

void TGDIPPicture::Draw(Gdiplus::Graphics& graphics, const Gdiplus::Rect& target) const {
    if (auto image = Decode()) graphics.DrawImage(image.get(), target);
}

void TGDIPPicture::Changed() {
    OnChange(this);
}

}  // namespace quill::widgets
