#include "widgets/SpecialProgressLayout.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace quill {
namespace {

// Running red, green and blue values of the colour ramp over the filled part.
class ColorRamp {
public:
    ColorRamp(TColor start, TColor end, int filledWidth)
        : FValues{double(tk::RedOf(start)), double(tk::GreenOf(start)), double(tk::BlueOf(start))},
          FSteps{(double(tk::RedOf(end)) - tk::RedOf(start)) / filledWidth,
                 (double(tk::GreenOf(end)) - tk::GreenOf(start)) / filledWidth,
                 (double(tk::BlueOf(end)) - tk::BlueOf(start)) / filledWidth} {}

    // The running colour, each channel rounded half to even.
    TColor Current() const { return ColorOf(FValues[0], FValues[1], FValues[2]); }
    // The colour i steps from the start, computed afresh rather than summed.
    TColor At(int i) const {
        return ColorOf(FValues[0] + i * FSteps[0], FValues[1] + i * FSteps[1],
                       FValues[2] + i * FSteps[2]);
    }
    void Advance(int steps) {
        for (int c = 0; c < 3; ++c) FValues[c] += steps * FSteps[c];
    }

private:
    // Rounded in the default rounding mode, to nearest with ties to even, as nearbyint
    // would; lrint does not save and restore the floating-point environment, which made
    // nearbyint most of the cost of a redraw.
    static std::uint8_t Channel(double v) {
        return static_cast<std::uint8_t>(std::lrint(std::clamp(v, 0.0, 255.0)));
    }
    static TColor ColorOf(double r, double g, double b) {
        return tk::RGBColor(Channel(r), Channel(g), Channel(b));
    }

    double FValues[3];
    double FSteps[3];
};

}  // namespace

std::int64_t MulDivRounded(std::int64_t a, std::int64_t b, std::int64_t c) {
    if (c == 0) return -1;
    const std::int64_t product = a * b;
    std::int64_t quotient = product / c;
    const std::int64_t remainder = product % c;
    if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -c : c))
        quotient += ((product < 0) != (c < 0)) ? -1 : 1;
    return quotient;
}

int ProgressPercent(int position, int minimum, int maximum) {
    if (maximum == minimum) return 0;
    return static_cast<int>(
        MulDivRounded(std::int64_t(position) - minimum, 100, std::int64_t(maximum) - minimum));
}

bool UpdateProgressLayout(ProgressLayout& layout, int minimum, int maximum, int position,
                          int clientWidth, int clientHeight, bool solid) {
    if (maximum == minimum || clientWidth < 2) return false;
    const int inner = clientWidth - 2;
    // Clamped so that a range loaded in an inconsistent state cannot give a
    // filled part outside the bar.
    int filled = static_cast<int>(std::clamp<std::int64_t>(
        MulDivRounded(std::int64_t(position) - minimum, inner, std::int64_t(maximum) - minimum), 0,
        inner));
    if (!solid) {
        const int pitch = (2 * clientHeight) / 3;
        layout.BlockWidth = pitch;
        if (pitch <= 0) {
            filled = 0;
        } else {
            int count = filled / pitch;
            const int remaining = std::min(inner - count * pitch, pitch);
            if (remaining < 2 * (filled % pitch)) {
                ++count;
                layout.HasPartialBlock = remaining < pitch;
                layout.PartialWidth = remaining;
                filled = layout.HasPartialBlock ? inner : count * pitch;
            } else {
                layout.HasPartialBlock = false;
                filled = count * pitch;
            }
            layout.BlockCount = count;
        }
    }
    if (filled == layout.FilledWidth) return false;
    layout.FilledWidth = filled;
    return true;
}

std::vector<PaintRect> PlanProgressBody(const ProgressLayout& layout, int clientWidth,
                                        int clientHeight, bool solid, bool gradientBlocks,
                                        const ProgressColors& colors) {
    std::vector<PaintRect> rects;
    PlanProgressBody(layout, clientWidth, clientHeight, solid, gradientBlocks, colors, rects);
    return rects;
}

void PlanProgressBody(const ProgressLayout& layout, int clientWidth, int clientHeight, bool solid,
                      bool gradientBlocks, const ProgressColors& colors,
                      std::vector<PaintRect>& rects) {
    const int top = 1, height = clientHeight - 2;
    const int filled = layout.FilledWidth;
    const auto add = [&](int x, int width, TColor color) {
        if (width > 0 && height > 0) rects.push_back({x, top, width, height, color});
    };
    const bool oneColor = colors.StartRGB == colors.EndRGB;

    if (solid) {
        if (filled > 0) {
            if (oneColor) {
                add(1, filled, colors.StartRGB);
            } else {
                const ColorRamp ramp(colors.StartRGB, colors.EndRGB, filled);
                for (int i = 0; i < filled; ++i) add(i + 1, 1, ramp.At(i));
            }
        }
    } else if (filled > 0 && layout.BlockWidth > 0) {
        const int pitch = layout.BlockWidth;
        const int whole = layout.HasPartialBlock ? layout.BlockCount - 1 : layout.BlockCount;
        ColorRamp ramp(colors.StartRGB, colors.EndRGB, filled);
        for (int k = 0; k < whole; ++k) {
            const int x = 1 + k * pitch;
            if (oneColor) {
                add(x, pitch - 1, colors.StartRGB);
            } else if (!gradientBlocks) {
                add(x, pitch - 1, ramp.Current());
                ramp.Advance(pitch);
            } else {
                for (int column = 0; column < pitch - 1; ++column) {
                    add(x + column, 1, ramp.Current());
                    ramp.Advance(1);
                }
                ramp.Advance(1);  // the gap
            }
        }
        if (layout.HasPartialBlock) {
            const int x = 1 + whole * pitch;
            if (oneColor || !gradientBlocks) {
                add(x, layout.PartialWidth, oneColor ? colors.StartRGB : ramp.Current());
            } else {
                for (int column = 0; column < layout.PartialWidth; ++column) {
                    add(x + column, 1, ramp.Current());
                    ramp.Advance(1);
                }
            }
        }
        for (int k = 1; k <= whole; ++k) add(k * pitch, 1, colors.Background);
    }

    if (filled < clientWidth - 2) add(filled + 1, clientWidth - 2 - filled, colors.Background);
}

std::vector<PaintRect> PlanProgressBorder(bool sunken, int clientWidth, int clientHeight,
                                          TColor background) {
    std::vector<PaintRect> rects;
    PlanProgressBorder(sunken, clientWidth, clientHeight, background, rects);
    return rects;
}

void PlanProgressBorder(bool sunken, int clientWidth, int clientHeight, TColor background,
                        std::vector<PaintRect>& rects) {
    const auto add = [&](int x, int y, int width, int height, TColor color) {
        if (width > 0 && height > 0) rects.push_back({x, y, width, height, color});
    };
    // A ring: top row and left column in one colour, right column and bottom
    // row (corners included) in the other.
    const auto ring = [&](int inset, TColor topLeft, TColor bottomRight) {
        const int left = inset, top = inset;
        const int right = clientWidth - 1 - inset, bottom = clientHeight - 1 - inset;
        if (right < left || bottom < top) return;
        add(left, top, right - left, 1, topLeft);
        add(left, top, 1, bottom - top, topLeft);
        add(right, top, 1, bottom - top + 1, bottomRight);
        add(left, bottom, right - left + 1, 1, bottomRight);
    };
    if (!sunken) {
        ring(0, background, background);
    } else {
        ring(0, tk::clBtnFace, tk::clBtnFace);
        ring(1, tk::clBtnShadow, tk::clBtnHighlight);
        ring(2, tk::cl3DDkShadow, tk::clBtnFace);
    }
}

void FillPixels(const PixelView& view, const PaintRect& rect, TColor rgb) {
    const int left = std::max(rect.X, 0), right = std::min(rect.X + rect.Width, view.Width);
    const int top = std::max(rect.Y, 0), bottom = std::min(rect.Y + rect.Height, view.Height);
    if (left >= right || top >= bottom) return;
    const std::uint32_t pixel = tk::ArgbFromRGB(rgb, 0);
    for (int y = top; y < bottom; ++y) {
        std::uint32_t* row = view.Pixels + std::size_t(y) * view.Width;
        std::fill(row + left, row + right, pixel);
    }
}

std::string FormatWithInteger(const std::string& format, int value) {
    std::string out;
    bool argumentUsed = false;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        if (++i >= format.size()) return format;
        if (format[i] == '%') {
            out += '%';
            continue;
        }
        bool leftJustify = false;
        if (format[i] == '-') {
            leftJustify = true;
            ++i;
        }
        const auto number = [&](int& target) {
            while (i < format.size() && std::isdigit(static_cast<unsigned char>(format[i]))) {
                target = target * 10 + (format[i++] - '0');
                if (target > 1000) return false;  // no caption needs more
            }
            return true;
        };
        int width = 0, precision = -1;
        if (!number(width)) return format;
        if (i < format.size() && format[i] == '.') {
            ++i;
            precision = 0;
            if (!number(precision)) return format;
        }
        if (i >= format.size() || argumentUsed) return format;
        std::string digits;
        bool negative = false;
        switch (std::tolower(static_cast<unsigned char>(format[i]))) {
            case 'd':
                negative = value < 0;
                digits = std::to_string(negative ? -std::int64_t(value) : std::int64_t(value));
                break;
            case 'u':
                digits = std::to_string(static_cast<std::uint32_t>(value));
                break;
            case 'x': {
                const char* hex = "0123456789ABCDEF";
                auto v = static_cast<std::uint32_t>(value);
                do {
                    digits.insert(digits.begin(), hex[v & 0xF]);
                    v >>= 4;
                } while (v);
                break;
            }
            default:
                return format;
        }
        argumentUsed = true;
        if (precision > static_cast<int>(digits.size()))
            digits.insert(0, precision - digits.size(), '0');
        if (negative) digits.insert(0, 1, '-');
        if (width > static_cast<int>(digits.size())) {
            const std::string pad(width - digits.size(), ' ');
            digits = leftJustify ? digits + pad : pad + digits;
        }
        out += digits;
    }
    return out;
}

std::string ProgressText(TTextOption option, const std::string& caption, int percent) {
    switch (option) {
        case toCaption:
            return caption;
        case toFormat:
            return FormatWithInteger(caption, percent);
        case toPercent:
            return FormatWithInteger("%d%%", percent);
        case toNoText:
            break;
    }
    return {};
}

TextOrigin ProgressTextOrigin(int area, int textWidth, int clientHeight, int textHeight) {
    return {std::max(0, (area - textWidth) / 2), std::max(0, (clientHeight - textHeight) / 2)};
}

}  // namespace quill
