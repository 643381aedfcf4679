// Our profile reader against the Windows profile functions, file by file over the reader's
// case table. Where the two may part (rules the palette's settings file fixes differently from
// the system's reader) the difference is printed, not failed; everywhere else they must agree.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "../options/profile_reader_cases.h"
#include "options/profile_file.h"
#include "platform/codepage.h"

namespace tarsel::options {
namespace {

std::string Utf8(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string Show(const std::optional<std::string>& value) {
    if (!value) return "(missing)";
    std::string shown = "\"" + value->substr(0, 24) + "\"";
    if (value->size() > 24) shown += "... (" + std::to_string(value->size()) + " bytes)";
    return shown;
}

// GetPrivateProfileIntW reads an integer as far as it goes ("12abc" is 12, "true" is 0) and
// takes only a lower-case "0x"; the palette's settings keep their default for anything that is
// not wholly an integer, and take "0X" too. Those are the only differences expected.
bool IntegerMayDiffer(const testing::ReaderCase& c, int ours) {
    return (c.value && ours == testing::kIntDefault) || (c.value && c.value->starts_with("0X"));
}

TEST(ProfileApiCompare, OurReaderAgainstGetPrivateProfile) {
    const auto dir = std::filesystem::temp_directory_path() / "tarsel_profile_compare";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    std::cout << "ANSI code page " << GetACP() << "\n";
    int number = 0;
    for (const testing::ReaderCase& c : testing::ReaderCases()) {
        SCOPED_TRACE(c.name);
        // A file of its own per case: the system caches profiles by name and time stamp.
        const auto path = dir / ("case" + std::to_string(++number) + ".ini");
        std::ofstream(path, std::ios::binary) << c.bytes;

        const std::wstring section = Wide(c.section);
        const std::wstring key = Wide(c.key);
        const std::wstring file = path.wstring();
        const wchar_t kMissing[] = L"\x1(missing)";
        wchar_t buffer[2048];
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), kMissing,
                                                      buffer, 2048, file.c_str());
        const std::wstring got(buffer, length);
        const std::optional<std::string> system =
            got == kMissing ? std::nullopt : std::optional<std::string>(Utf8(got));
        const int systemInt = static_cast<int>(GetPrivateProfileIntW(
            section.c_str(), key.c_str(), testing::kIntDefault, file.c_str()));

        const ProfileFile ours = ProfileFile::FromBytes(c.bytes);
        const std::optional<std::string> ourValue = ours.ReadValue(c.section, c.key);
        const int ourInt = ours.ReadInteger(c.section, c.key, testing::kIntDefault);

        // Texts must agree everywhere, the file's encoding included.
        EXPECT_EQ(ourValue, system) << "GetPrivateProfileStringW";
        if (systemInt != ourInt) {
            std::cout << "integer differs: " << c.name << ": value " << Show(system)
                      << ", GetPrivateProfileIntW " << systemInt << ", ours " << ourInt << "\n";
            EXPECT_TRUE(IntegerMayDiffer(c, ourInt)) << "GetPrivateProfileIntW " << systemInt;
        }
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarsel::options
