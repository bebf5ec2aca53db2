#include "online/WebBrowseHelper.h"

#include "lib/TolveLog.h"

#include <shellapi.h>

#include <vector>

namespace {

// The platform's own browser, for a system without a usable default.
const char kFallbackBrowser[] = "iexplore.exe";

bool IsAsciiAlnum(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

// ShellExecute answers with a pseudo-handle that is a result code; above 32 is success.
uint32_t ShellResult(HINSTANCE result)
{
    return static_cast<uint32_t>(reinterpret_cast<INT_PTR>(result));
}

} // namespace

std::string ConvertToUTF8(const char* text, UINT sourceCodePage, UINT targetCodePage)
{
    if (text == nullptr) return std::string();
    const int wideCount = MultiByteToWideChar(sourceCodePage, 0, text, -1, nullptr, 0);
    if (wideCount <= 1) return std::string();
    std::vector<wchar_t> wide(static_cast<size_t>(wideCount));
    if (MultiByteToWideChar(sourceCodePage, 0, text, -1, wide.data(), wideCount) != wideCount) {
        return std::string();
    }
    const int count =
        WideCharToMultiByte(targetCodePage, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (count <= 1) return std::string();
    std::string result(static_cast<size_t>(count), '\0');
    if (WideCharToMultiByte(targetCodePage, 0, wide.data(), -1, &result[0], count, nullptr,
                            nullptr) != count) {
        return std::string();
    }
    result.resize(static_cast<size_t>(count) - 1); // the terminator the call counted
    return result;
}

std::string URLEncode(const char* text)
{
    if (text == nullptr || *text == '\0') return std::string();
    const std::string utf8 = ConvertToUTF8(text, CP_ACP, CP_UTF8);
    static const char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(utf8.size() * 3);
    for (const unsigned char c : utf8) {
        if (IsAsciiAlnum(c)) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 0x0F];
        }
    }
    return encoded;
}

bool OpenWebBrowser(const char* url)
{
    if (url == nullptr || *url == '\0') return false;
    HINSTANCE result = ShellExecuteA(nullptr, "open", url, nullptr, "", SW_SHOWNORMAL);
    if (ShellResult(result) > 32) return true;
    TOLVE_LOG(LOG_ERROR, "既定のブラウザ起動失敗 ShellExecute:0x%08X ERR:0x%08X",
              ShellResult(result), static_cast<uint32_t>(GetLastError()));
    result = ShellExecuteA(nullptr, "open", kFallbackBrowser, url, "", SW_SHOWNORMAL);
    if (ShellResult(result) > 32) return true;
    TOLVE_LOG(LOG_ERROR, "代替ブラウザ起動失敗 ShellExecute:0x%08X ERR:0x%08X %s",
              ShellResult(result), static_cast<uint32_t>(GetLastError()), kFallbackBrowser);
    return false;
}
