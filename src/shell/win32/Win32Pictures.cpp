// SPDX-License-Identifier: MIT
#include "shell/win32/Win32Pictures.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <map>
#include <vector>

namespace quarnel::win32 {
namespace {

// GDI draws without smoothing: the picture is drawn this many times larger
// and averaged down.
constexpr int kOversampling = 4;

using Attributes = std::map<std::string, std::string>;

struct Element {
    std::string tag;  // "rect", "g", "/g", ...
    Attributes attributes;
};

// The elements of the SVG text in order; closing tags of groups as "/g".
std::vector<Element> ParseElements(const std::string& svg) {
    std::vector<Element> elements;
    size_t at = 0;
    while ((at = svg.find('<', at)) != std::string::npos) {
        const size_t end = svg.find('>', at);
        if (end == std::string::npos) break;
        const std::string tag = svg.substr(at + 1, end - at - 1);
        at = end + 1;
        Element element;
        size_t i = 0;
        while (i < tag.size() && !std::isspace(static_cast<unsigned char>(tag[i])) && tag[i] != '/')
            ++i;
        element.tag = tag.starts_with("/") ? tag : tag.substr(0, i);
        while (i < tag.size()) {
            const size_t equals = tag.find('=', i);
            if (equals == std::string::npos) break;
            const size_t open = tag.find('"', equals);
            const size_t close = open == std::string::npos ? open : tag.find('"', open + 1);
            if (close == std::string::npos) break;
            std::string name = tag.substr(i, equals - i);
            name.erase(std::remove_if(name.begin(), name.end(),
                                      [](unsigned char c) { return std::isspace(c); }),
                       name.end());
            element.attributes[name] = tag.substr(open + 1, close - open - 1);
            i = close + 1;
        }
        elements.push_back(std::move(element));
    }
    return elements;
}

double Number(const Attributes& attributes, const char* name, double fallback = 0) {
    const auto found = attributes.find(name);
    return found == attributes.end() ? fallback : std::strtod(found->second.c_str(), nullptr);
}

// "#rrggbb" as a colour; false for "none" or anything else.
bool Colour(const std::string& text, COLORREF& colour) {
    if (text.size() != 7 || text[0] != '#') return false;
    const unsigned long rgb = std::strtoul(text.c_str() + 1, nullptr, 16);
    colour = RGB((rgb >> 16) & 0xff, (rgb >> 8) & 0xff, rgb & 0xff);
    return true;
}

// Draws into a device context in picture units times scale.
class Painter {
  public:
    Painter(HDC dc, double scale) : dc_(dc), scale_(scale) {}

    void Draw(const std::vector<Element>& elements) {
        std::vector<Attributes> styles{Attributes{{"fill", "#000000"}}};
        for (const Element& element : elements) {
            if (element.tag == "g") {
                Attributes style = styles.back();
                for (const auto& [name, value] : element.attributes) style[name] = value;
                styles.push_back(std::move(style));
                continue;
            }
            if (element.tag == "/g") {
                if (styles.size() > 1) styles.pop_back();
                continue;
            }
            Attributes style = styles.back();
            for (const auto& [name, value] : element.attributes) style[name] = value;
            Shape(element.tag, style);
        }
    }

  private:
    int P(double units) const { return static_cast<int>(std::lround(units * scale_)); }

    void Shape(const std::string& tag, const Attributes& a) {
        COLORREF fill = 0, stroke = 0;
        const bool filled = Colour(a.count("fill") ? a.at("fill") : "", fill);
        const bool stroked = Colour(a.count("stroke") ? a.at("stroke") : "", stroke);
        if (!filled && !stroked) return;

        LOGBRUSH penBrush{BS_SOLID, stroke, 0};
        const bool roundCap = a.count("stroke-linecap") && a.at("stroke-linecap") == "round";
        const DWORD style =
            PS_GEOMETRIC | PS_SOLID | (roundCap ? PS_ENDCAP_ROUND : PS_ENDCAP_FLAT) | PS_JOIN_MITER;
        HPEN pen = stroked ? ExtCreatePen(style, std::max(1, P(Number(a, "stroke-width", 1))),
                                          &penBrush, 0, nullptr)
                           : static_cast<HPEN>(GetStockObject(NULL_PEN));
        HBRUSH brush =
            filled ? CreateSolidBrush(fill) : static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
        HGDIOBJ oldPen = SelectObject(dc_, pen);
        HGDIOBJ oldBrush = SelectObject(dc_, brush);

        if (tag == "rect") {
            const double x = Number(a, "x"), y = Number(a, "y");
            const double rx = Number(a, "rx");
            const int left = P(x), top = P(y);
            const int right = P(x + Number(a, "width")), bottom = P(y + Number(a, "height"));
            if (rx > 0)
                RoundRect(dc_, left, top, right, bottom, P(2 * rx), P(2 * rx));
            else
                Rectangle(dc_, left, top, right, bottom);
        } else if (tag == "circle") {
            const double cx = Number(a, "cx"), cy = Number(a, "cy"), r = Number(a, "r");
            Ellipse(dc_, P(cx - r), P(cy - r), P(cx + r), P(cy + r));
        } else if (tag == "line") {
            MoveToEx(dc_, P(Number(a, "x1")), P(Number(a, "y1")), nullptr);
            LineTo(dc_, P(Number(a, "x2")), P(Number(a, "y2")));
        } else if (tag == "path" && a.count("d")) {
            BeginPath(dc_);
            TracePath(a.at("d"));
            EndPath(dc_);
            if (filled && stroked)
                StrokeAndFillPath(dc_);
            else if (filled)
                FillPath(dc_);
            else
                StrokePath(dc_);
        }

        SelectObject(dc_, oldPen);
        SelectObject(dc_, oldBrush);
        if (stroked) DeleteObject(pen);
        if (filled) DeleteObject(brush);
    }

    // The path data's commands M, L, H, V, C and Z, absolute and relative.
    void TracePath(const std::string& d) {
        double x = 0, y = 0, startX = 0, startY = 0;
        char command = 0;
        const char* at = d.c_str();
        const auto next = [&](double& value) {
            while (*at == ' ' || *at == ',') ++at;
            char* end = nullptr;
            value = std::strtod(at, &end);
            const bool read = end != at;
            at = end;
            return read;
        };
        while (*at != '\0') {
            while (*at == ' ' || *at == ',') ++at;
            if (std::isalpha(static_cast<unsigned char>(*at))) command = *at++;
            if (command == 'z' || command == 'Z') {
                CloseFigure(dc_);
                x = startX;
                y = startY;
                MoveToEx(dc_, P(x), P(y), nullptr);
                command = 0;
                continue;
            }
            const bool relative = std::islower(static_cast<unsigned char>(command));
            double v[6] = {};
            int count = 0;
            switch (std::tolower(static_cast<unsigned char>(command))) {
                case 'm':
                case 'l':
                    count = 2;
                    break;
                case 'h':
                case 'v':
                    count = 1;
                    break;
                case 'c':
                    count = 6;
                    break;
                default:
                    return;
            }
            for (int i = 0; i < count; ++i)
                if (!next(v[i])) return;
            const double ox = relative ? x : 0, oy = relative ? y : 0;
            switch (std::tolower(static_cast<unsigned char>(command))) {
                case 'm':
                    x = ox + v[0];
                    y = oy + v[1];
                    startX = x;
                    startY = y;
                    MoveToEx(dc_, P(x), P(y), nullptr);
                    // Further pairs after a move are lines.
                    command = relative ? 'l' : 'L';
                    break;
                case 'l':
                    x = ox + v[0];
                    y = oy + v[1];
                    LineTo(dc_, P(x), P(y));
                    break;
                case 'h':
                    x = ox + v[0];
                    LineTo(dc_, P(x), P(y));
                    break;
                case 'v':
                    y = oy + v[0];
                    LineTo(dc_, P(x), P(y));
                    break;
                case 'c': {
                    const POINT points[3] = {{P(ox + v[0]), P(oy + v[1])},
                                             {P(ox + v[2]), P(oy + v[3])},
                                             {P(ox + v[4]), P(oy + v[5])}};
                    PolyBezierTo(dc_, points, 3);
                    x = ox + v[4];
                    y = oy + v[5];
                    break;
                }
            }
        }
    }

    HDC dc_;
    double scale_;
};

// A 32-bit top-down DIB section of the given size, selected into a memory DC.
class Canvas {
  public:
    Canvas(HDC compatible, int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(compatible);
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bits_ = static_cast<uint32_t*>(bits);
        if (bitmap_ != nullptr) old_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas() {
        if (bitmap_ != nullptr) {
            SelectObject(dc_, old_);
            DeleteObject(bitmap_);
        }
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    bool Valid() const { return bits_ != nullptr; }
    HDC dc() const { return dc_; }
    uint32_t* Row(int y) const { return bits_ + static_cast<size_t>(y) * width_; }
    int width() const { return width_; }
    int height() const { return height_; }

  private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

}  // namespace

bool DrawPicture(HDC dc, const std::string& resource, const RECT& box, COLORREF background) {
    const char* svg = PictureSource(resource);
    if (svg == nullptr) return false;
    const std::vector<Element> elements = ParseElements(svg);
    if (elements.empty() || elements.front().tag != "svg") return false;
    const double pictureWidth = Number(elements.front().attributes, "width");
    const double pictureHeight = Number(elements.front().attributes, "height");
    const int boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;
    if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0) return false;

    const double scale = std::min(boxWidth / pictureWidth, boxHeight / pictureHeight);
    const int width = std::max(1, static_cast<int>(std::lround(pictureWidth * scale)));
    const int height = std::max(1, static_cast<int>(std::lround(pictureHeight * scale)));

    Canvas large(dc, width * kOversampling, height * kOversampling);
    Canvas small(dc, width, height);
    if (!large.Valid() || !small.Valid()) return false;
    HBRUSH fill = CreateSolidBrush(background);
    const RECT all{0, 0, large.width(), large.height()};
    FillRect(large.dc(), &all, fill);
    DeleteObject(fill);
    Painter(large.dc(), scale * kOversampling).Draw(elements);
    GdiFlush();

    // Each pixel the average of its oversampled block.
    constexpr int kSamples = kOversampling * kOversampling;
    for (int y = 0; y < height; ++y) {
        uint32_t* out = small.Row(y);
        for (int x = 0; x < width; ++x) {
            unsigned r = 0, g = 0, b = 0;
            for (int dy = 0; dy < kOversampling; ++dy) {
                const uint32_t* in = large.Row(y * kOversampling + dy) + x * kOversampling;
                for (int dx = 0; dx < kOversampling; ++dx) {
                    r += (in[dx] >> 16) & 0xff;
                    g += (in[dx] >> 8) & 0xff;
                    b += in[dx] & 0xff;
                }
            }
            out[x] = ((r / kSamples) << 16) | ((g / kSamples) << 8) | (b / kSamples);
        }
    }
    BitBlt(dc, box.left + (boxWidth - width) / 2, box.top + (boxHeight - height) / 2, width, height,
           small.dc(), 0, 0, SRCCOPY);
    return true;
}

}  // namespace quarnel::win32
