#include "platform/codepage.h"

#include <algorithm>
#include <cstdint>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

namespace tarsel::platform {
namespace {

bool IsAscii(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

#ifdef _WIN32

std::optional<std::wstring> ToWide(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) return std::wstring();
    if (bytes.size() > 0x7fffffff) return std::nullopt;
    const int inLen = static_cast<int>(bytes.size());
    const int n =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLen, nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, bytes.data(), inLen, wide.data(), n) !=
        n)
        return std::nullopt;
    return wide;
}

std::optional<std::string> FromWide(const std::wstring& wide, unsigned codePage) {
    if (wide.empty()) return std::string();
    const int inLen = static_cast<int>(wide.size());
    // UTF-8 refuses the default-character arguments; the other code pages report through them
    // whether a character had to be replaced, which we treat as a failure.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(codePage, flags, wide.data(), inLen, nullptr, 0, nullptr,
                                      utf8 ? nullptr : &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, flags, wide.data(), inLen, out.data(), n, nullptr,
                            utf8 ? nullptr : &usedDefault) != n ||
        usedDefault)
        return std::nullopt;
    return out;
}

std::optional<std::string> Convert(std::string_view in, unsigned from, unsigned to) {
    auto wide = ToWide(in, from);
    if (!wide) return std::nullopt;
    return FromWide(*wide, to);
}

#else

std::string IconvName(unsigned codePage) {
    if (codePage == kCodePageUtf8) return "UTF-8";
    return "CP" + std::to_string(codePage);
}

// One conversion with a fresh descriptor: the files we convert are small, and a shared
// descriptor would need locking.
std::optional<std::string> Convert(std::string_view in, unsigned from, unsigned to) {
    iconv_t cd = iconv_open(IconvName(to).c_str(), IconvName(from).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out;
    out.resize(in.size() * 4 + 16);
    std::string input(in);
    char* inPtr = input.data();
    std::size_t inLeft = input.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    bool ok = true;
    while (inLeft > 0) {
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
            if (errno == E2BIG) {
                const std::size_t used = out.size() - outLeft;
                out.resize(out.size() * 2);
                outPtr = out.data() + used;
                outLeft = out.size() - used;
                continue;
            }
            ok = false;  // EILSEQ or EINVAL: not valid in the source code page
            break;
        }
    }
    // Flush any shift state so stateful encodings end cleanly.
    if (ok && iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        ok = false;
    iconv_close(cd);
    if (!ok) return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

#endif

}  // namespace

bool IsValidUtf8(std::string_view text) {
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > n) return false;
        for (std::size_t k = 1; k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) || cp > 0x10FFFF ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += len;
    }
    return true;
}

std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage) {
    if (IsAscii(bytes)) return std::string(bytes);
    if (codePage == kCodePageUtf8) {
        if (!IsValidUtf8(bytes)) return std::nullopt;
        return std::string(bytes);
    }
    return Convert(bytes, codePage, kCodePageUtf8);
}

std::optional<std::string> EncodeCodePage(std::string_view utf8, unsigned codePage) {
    if (!IsValidUtf8(utf8)) return std::nullopt;
    if (IsAscii(utf8) || codePage == kCodePageUtf8) return std::string(utf8);
    return Convert(utf8, kCodePageUtf8, codePage);
}

bool IsCodePageAvailable(unsigned codePage) {
    if (codePage == kCodePageUtf8) return true;
#ifdef _WIN32
    return codePage <= 0xFFFF && IsValidCodePage(codePage) != 0;
#else
    iconv_t cd = iconv_open("UTF-8", IconvName(codePage).c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    iconv_close(cd);
    return true;
#endif
}

unsigned SystemAnsiCodePage() {
#ifdef _WIN32
    return GetACP();
#else
    return kCodePageShiftJis;
#endif
}

std::u32string Utf8CodePoints(std::string_view s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        char32_t cp = c;
        std::size_t len = 1;
        if (c >= 0xF0) {
            len = 4;
            cp = c & 0x07;
        } else if (c >= 0xE0) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xC0) {
            len = 2;
            cp = c & 0x1F;
        }
        for (std::size_t k = 1; k < len && i + k < s.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(cp);
        i += len;
    }
    return out;
}

}  // namespace tarsel::platform
