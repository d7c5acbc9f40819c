// Prints, as one JSON object, where a top-level window and its child windows are
// on the screen, so that end-to-end tests can click controls by their text:
//   wininfo "<window title>"
//   wininfo @<x>,<y>          the top-level window at that screen point (one of several
//                             windows with the same title)
// {"window":[l,t,r,b],"client":[x,y],"children":[{"text":..,"class":..,"rect":[..],
//  "visible":true,"enabled":true}, ...]}
// Exits with 1 when no window has that title (or none is at that point).

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string Json(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::string Rect(const RECT& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + "]";
}

BOOL CALLBACK AddChild(HWND child, LPARAM list) {
    auto& out = *reinterpret_cast<std::string*>(list);
    char text[512] = {}, className[256] = {};
    GetWindowTextA(child, text, sizeof text);
    GetClassNameA(child, className, sizeof className);
    RECT rect{};
    GetWindowRect(child, &rect);
    if (out.back() != '[') out += ",";
    out += "{\"text\":" + Json(text) + ",\"class\":" + Json(className) + ",\"rect\":" + Rect(rect) +
           ",\"visible\":" + (IsWindowVisible(child) ? "true" : "false") +
           ",\"enabled\":" + (IsWindowEnabled(child) ? "true" : "false") + "}";
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    HWND window = nullptr;
    POINT at{};
    if (std::sscanf(argv[1], "@%ld,%ld", &at.x, &at.y) == 2) {
        window = WindowFromPoint(at);
        if (window) window = GetAncestor(window, GA_ROOT);
    } else {
        window = FindWindowA(nullptr, argv[1]);
    }
    if (!window) return 1;
    RECT rect{};
    GetWindowRect(window, &rect);
    POINT client{0, 0};
    ClientToScreen(window, &client);
    char title[512] = {};
    GetWindowTextA(window, title, sizeof title);
    std::string out = "{\"title\":" + Json(title) + ",\"window\":" + Rect(rect) + ",\"client\":[" + std::to_string(client.x) +
                      "," + std::to_string(client.y) + "],\"children\":[";
    EnumChildWindows(window, AddChild, reinterpret_cast<LPARAM>(&out));
    out += "]}";
    std::puts(out.c_str());
    return 0;
}
