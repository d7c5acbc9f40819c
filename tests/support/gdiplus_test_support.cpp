#include "gdiplus_test_support.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace quill::testing {

GdiplusSession::GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&FToken, &input, nullptr) != Gdiplus::Ok)
        throw std::runtime_error("GDI+ did not start");
}

GdiplusSession::~GdiplusSession() {
    Gdiplus::GdiplusShutdown(FToken);
}

bool RunningUnderWine() {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TestBitmap::TestBitmap(int width, int height, Gdiplus::Color background)
    : FBitmap(width, height, PixelFormat32bppARGB), FGraphics(&FBitmap) {
    FGraphics.Clear(background);
}

std::uint32_t TestBitmap::Rgb(int x, int y) {
    Gdiplus::Color c;
    FBitmap.GetPixel(x, y, &c);
    return c.GetValue() & 0xFFFFFF;
}

namespace {
CLSID PngEncoder() {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<std::uint8_t> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, codecs);
    for (UINT i = 0; i < count; ++i)
        if (std::wstring(codecs[i].MimeType) == L"image/png") return codecs[i].Clsid;
    throw std::runtime_error("no PNG encoder");
}
}  // namespace

void TestBitmap::SavePng(const std::string& name) {
    const CLSID png = PngEncoder();
    const std::wstring file(name.begin(), name.end());
    FBitmap.Save((file + L".png").c_str(), &png, nullptr);
}

void SaveDcPng(HDC dc, const std::string& name) {
    auto bitmap = static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP));
    Gdiplus::Bitmap image(bitmap, nullptr);
    const CLSID png = PngEncoder();
    const std::wstring file(name.begin(), name.end());
    image.Save((file + L".png").c_str(), &png, nullptr);
}

std::uint32_t RgbOf(TColor color) {
    const auto c = static_cast<std::uint32_t>(widgets::ResolveWidgetColor(color));
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

int ChannelDistance(std::uint32_t a, std::uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF));
        if (d > worst) worst = d;
    }
    return worst;
}

std::string Hex(std::uint32_t rgb) {
    char text[16];
    std::snprintf(text, sizeof text, "#%06X", static_cast<unsigned>(rgb));
    return text;
}

std::vector<std::uint8_t> SolidPng(int width, int height, Gdiplus::Color color) {
    Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        g.Clear(color);
    }
    IStream* stream = nullptr;
    if (::CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK)
        throw std::runtime_error("no stream");
    const CLSID png = PngEncoder();
    bitmap.Save(stream, &png, nullptr);
    STATSTG stat{};
    stream->Stat(&stat, STATFLAG_NONAME);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stat.cbSize.QuadPart));
    LARGE_INTEGER zero{};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    ULONG read = 0;
    stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    stream->Release();
    bytes.resize(read);
    return bytes;
}

}  // namespace quill::testing
