#include "forms/Metrics.h"

#include <algorithm>
#include <cwchar>

namespace k7w32 {

namespace {

int CALLBACK noteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
    *reinterpret_cast<bool*>(found) = true;
    return 0;
}

bool haveFace(HDC dc, const wchar_t* face) {
    LOGFONTW wanted{};
    wanted.lfCharSet = DEFAULT_CHARSET;
    wcsncpy(wanted.lfFaceName, face, LF_FACESIZE - 1);
    bool found = false;
    EnumFontFamiliesExW(dc, &wanted, noteFace, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// The digits of a monospace face are all equally wide (a substitute face may not be).
bool equalAdvances(HDC dc, HFONT font) {
    const HGDIOBJ old = SelectObject(dc, font);
    INT widths[2] = {};
    const bool measured = GetCharWidth32W(dc, L'1', L'1', &widths[0]) != FALSE &&
                          GetCharWidth32W(dc, L'W', L'W', &widths[1]) != FALSE;
    SelectObject(dc, old);
    return measured && widths[0] == widths[1];
}

}  // namespace

Metrics::Metrics() : dc_(CreateCompatibleDC(nullptr)) {
    dpi_ = GetDeviceCaps(dc_, LOGPIXELSY);
    NONCLIENTMETRICSW nonClient{};
    nonClient.cbSize = sizeof nonClient;
    LOGFONTW message{};
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof nonClient, &nonClient, 0)) {
        message = nonClient.lfMessageFont;
    } else {
        message.lfHeight = -MulDiv(8, dpi_, 72);
        wcscpy(message.lfFaceName, L"MS Shell Dlg 2");
    }
    font_ = CreateFontIndirectW(&message);
    for (const wchar_t* face : {L"Consolas", L"DejaVu Sans Mono", L"Courier New"}) {
        if (!haveFace(dc_, face)) {
            continue;
        }
        LOGFONTW mono = message;
        mono.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        wcscpy(mono.lfFaceName, face);
        HFONT candidate = CreateFontIndirectW(&mono);
        if (equalAdvances(dc_, candidate)) {
            monospace_ = candidate;
            break;
        }
        DeleteObject(candidate);
    }
    if (monospace_ == nullptr) {
        monospace_ = static_cast<HFONT>(GetStockObject(ANSI_FIXED_FONT));
    }
    LOGFONTW canvas = message;
    canvas.lfHeight = -px(11);
    canvas_ = CreateFontIndirectW(&canvas);
    SelectObject(dc_, font_);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc_, &tm);
    textHeight_ = tm.tmHeight;
    averageChar_ = tm.tmAveCharWidth;
}

Metrics::~Metrics() {
    DeleteDC(dc_);
    DeleteObject(font_);
    DeleteObject(monospace_);
    DeleteObject(canvas_);
}

SIZE Metrics::text(const std::wstring& text, bool monospace) const {
    SelectObject(dc_, monospace ? monospace_ : font_);
    SIZE total{0, 0};
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        SIZE line{0, textHeight_};
        if (end > start) {
            GetTextExtentPoint32W(dc_, text.c_str() + start, static_cast<int>(end - start), &line);
        }
        total.cx = std::max(total.cx, line.cx);
        total.cy += textHeight_;
        if (end == text.size()) {
            break;
        }
        start = end + 1;
    }
    SelectObject(dc_, font_);
    return total;
}

}  // namespace k7w32
