#include "MeasuredDataViews.h"

#include <algorithm>

#include "PngImage.h"
#include "Text.h"
#include "k7base/Files.h"

namespace k7w32 {

namespace {

class AnzeigeView : public Win32DialogView {
  public:
    AnzeigeView(k7check::AnzeigeDlg& window, const Metrics& metrics)
        : Win32DialogView(window, FormTree(k7base::wideOf(window.title())), metrics) {
        setClientSize(kMeasuredDataClient);
        addMenuEntry(L"Bild speichern...", [this, &window] {
            input().act([this, &window] {
                window.savePicture([this](const std::string& path, std::string& error) {
                    SIZE size{};
                    const std::vector<uint32_t> pixels = pictureOf(*this, size);
                    return k7base::writeFileAtomically(path, encodePng(size.cx, size.cy, pixels),
                                                       &error);
                });
            });
        });
    }
};

constexpr const char* kListName = "dataList";

class DataListView : public Win32DialogView {
  public:
    DataListView(k7check::DataListDlg& window, const Metrics& metrics)
        : Win32DialogView(window, listForm(window), metrics), window_(window) {
        addMenuEntry(L"Kopieren", [this] { copy(); });
        addMenuEntry(L"Speichern unter...", [this] { input().act([this] { window_.saveCsv(); }); });
    }

  protected:
    void onCreated() override {
        SendMessageW(control(kListName), LB_SETCOUNT, window_.list().lineCount(), 0);
        // Wide enough for the widest of the head lines and the last line.
        const std::size_t count = window_.list().lineCount();
        int widest = 0;
        const auto measure = [&](std::size_t i) {
            widest = std::max<int>(widest,
                                   metrics().text(k7base::wideOf(window_.list().line(i)), true).cx);
        };
        for (std::size_t i = 0; i < std::min<std::size_t>(count, 16); ++i) {
            measure(i);
        }
        if (count > 0) {
            measure(count - 1);
        }
        RECT r{0, 0, widest + GetSystemMetrics(SM_CXVSCROLL) + 2 * metrics().px(11) + 24, 600};
        AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongPtrW(hwnd(), GWL_EXSTYLE)));
        SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    bool onMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg == WM_MEASUREITEM) {
            reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight =
                static_cast<UINT>(metrics().textHeight());
            result = TRUE;
            return true;
        }
        if (msg == WM_DRAWITEM) {
            draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            result = TRUE;
            return true;
        }
        (void)wp;
        return false;
    }

  private:
    static FormTree listForm(const k7check::DataListDlg& window) {
        FormTree tree(k7base::wideOf(window.title()));
        FormNode box;
        box.kind = TableKind::VBox;
        box.parent = 0;
        const int layout = tree.add(box);
        FormNode list;
        list.kind = TableKind::List;
        list.parent = layout;
        list.name = kListName;
        list.flags = TableFlag::Monospace;
        // The lines are drawn from the list when shown; the list box keeps no texts.
        list.extraStyle = LBS_OWNERDRAWFIXED | LBS_NODATA | LBS_EXTENDEDSEL;
        tree.add(list);
        return tree;
    }

    void draw(const DRAWITEMSTRUCT& item) {
        if (item.itemID == static_cast<UINT>(-1)) {
            return;
        }
        const bool selected = (item.itemState & ODS_SELECTED) != 0;
        FillRect(item.hDC, &item.rcItem,
                 GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
        SetTextColor(item.hDC, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        SetBkMode(item.hDC, TRANSPARENT);
        const HGDIOBJ old = SelectObject(item.hDC, metrics().monospace());
        const std::wstring line = k7base::wideOf(window_.list().line(item.itemID));
        TextOutW(item.hDC, item.rcItem.left + 2, item.rcItem.top, line.c_str(),
                 static_cast<int>(line.size()));
        SelectObject(item.hDC, old);
        if ((item.itemState & ODS_FOCUS) != 0) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
    }

    void copy() {
        const std::wstring text = k7base::wideOf(selectedLines(*this, window_));
        if (text.empty() || !OpenClipboard(hwnd())) {
            return;
        }
        EmptyClipboard();
        const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
            std::copy_n(text.c_str(), text.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
            GlobalUnlock(memory);
            if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
                GlobalFree(memory);
            }
        }
        CloseClipboard();
    }

    k7check::DataListDlg& window_;
};

}  // namespace

std::unique_ptr<Win32DialogView> makeAnzeigeView(k7check::AnzeigeDlg& window,
                                                 const Metrics& metrics) {
    return std::make_unique<AnzeigeView>(window, metrics);
}

std::unique_ptr<Win32DialogView> makeDataListView(k7check::DataListDlg& window,
                                                  const Metrics& metrics) {
    return std::make_unique<DataListView>(window, metrics);
}

std::vector<uint32_t> pictureOf(Win32DialogView& view, SIZE& size) {
    RECT client{};
    GetClientRect(view.hwnd(), &client);
    size = SIZE{std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom)};
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    view.paintInto(dc, size);
    GdiFlush();
    const auto* pixels = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> out(
        pixels, pixels + static_cast<std::size_t>(size.cx) * static_cast<std::size_t>(size.cy));
    for (uint32_t& p : out) {
        p &= 0x00FFFFFFu;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return out;
}

std::string selectedLines(Win32DialogView& view, const k7check::DataListDlg& window) {
    HWND list = view.control(kListName);
    const auto count = static_cast<int>(SendMessageW(list, LB_GETSELCOUNT, 0, 0));
    if (count <= 0) {
        return {};
    }
    std::vector<int> chosen(static_cast<std::size_t>(count));
    SendMessageW(list, LB_GETSELITEMS, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(chosen.data()));
    std::vector<std::size_t> rows(chosen.begin(), chosen.end());
    std::sort(rows.begin(), rows.end());
    return window.copyText(rows);
}

}  // namespace k7w32
