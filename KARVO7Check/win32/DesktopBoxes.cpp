#include "DesktopBoxes.h"

#include <windows.h>

#include <cwctype>
#include <vector>

#include "Text.h"

namespace k7w32 {

std::wstring fileFilter(const std::string& filter) {
    const std::wstring text = k7base::wideOf(filter);
    std::wstring out;
    if (text.find(L'|') == std::wstring::npos) {
        if (!text.empty()) {
            out = text + L'\0' + text + L'\0';
        }
    } else {
        std::vector<std::wstring> parts;
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = text.find(L'|', start);
            parts.push_back(text.substr(start, bar == std::wstring::npos ? bar : bar - start));
            if (bar == std::wstring::npos) {
                break;
            }
            start = bar + 1;
        }
        for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
            if (parts[i].empty() && parts[i + 1].empty()) {
                break;
            }
            out += parts[i] + L'\0' + parts[i + 1] + L'\0';
        }
    }
    out += L'\0';
    return out;
}

std::wstring defaultSuffix(const std::wstring& filter) {
    const std::size_t patterns = filter.find(L'\0');
    if (patterns == std::wstring::npos) {
        return {};
    }
    const std::size_t star = filter.find(L"*.", patterns + 1);
    std::wstring suffix;
    for (std::size_t i = star == std::wstring::npos ? filter.size() : star + 2;
         i < filter.size() && std::iswalnum(filter[i]); ++i) {
        suffix += filter[i];
    }
    return suffix;
}

k7check::Answer answerOf(int result, k7check::Buttons buttons) {
    using k7check::Answer;
    switch (result) {
        case IDYES:
            return Answer::Yes;
        case IDNO:
            return Answer::No;
        case IDOK:
            return Answer::Ok;
        default:
            break;
    }
    switch (buttons) {
        case k7check::Buttons::Ok:
            return Answer::Ok;
        case k7check::Buttons::YesNo:
            return Answer::No;
        case k7check::Buttons::YesNoCancel:
            return Answer::Cancel;
    }
    return Answer::Cancel;
}

}  // namespace k7w32
