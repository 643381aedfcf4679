#include "options/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>

#include "platform/codepage.h"
#include "platform/file_write.h"
#include "profile_reader_cases.h"
#include "scratch_folder.h"

namespace tarsel::options {
namespace {

using testing::Needs;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

bool CaseAppliesHere(Needs needs) {
#ifdef _WIN32
    if (needs == Needs::kUtf8Fallback) return false;
    if (needs == Needs::kShiftJisFallback)
        return platform::SystemAnsiCodePage() == platform::kCodePageShiftJis;
#else
    (void)needs;
#endif
    return true;
}

TEST(ProfileReader, FollowsTheProfileRules) {
    for (const testing::ReaderCase& c : testing::ReaderCases()) {
        SCOPED_TRACE(c.name);
        if (!CaseAppliesHere(c.needs)) continue;
        const ProfileFile file = ProfileFile::FromBytes(c.bytes);
        EXPECT_EQ(file.ReadValue(c.section, c.key), c.value);
        EXPECT_EQ(file.ReadInteger(c.section, c.key, testing::kIntDefault), c.integer);
    }
}

TEST(ProfileReader, BooleansAreIntegersNotZero) {
    const ProfileFile file = ProfileFile::FromBytes("[S]\nA=0\nB=2\nC=-1\nD=yes\nE=0x0\n");
    EXPECT_FALSE(file.ReadBool("S", "A", true));
    EXPECT_TRUE(file.ReadBool("S", "B", false));
    EXPECT_TRUE(file.ReadBool("S", "C", false));
    EXPECT_TRUE(file.ReadBool("S", "D", true));  // not an integer: the default
    EXPECT_FALSE(file.ReadBool("S", "D", false));
    EXPECT_FALSE(file.ReadBool("S", "E", true));
    EXPECT_TRUE(file.ReadBool("S", "Missing", true));
}

TEST(ProfileReader, RandomBytesGiveDefaultsWithoutFailing) {
    std::mt19937 random(20251210);
    std::string bytes(10 * 1024 * 1024, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    const ProfileFile file = ProfileFile::FromBytes(bytes);
    EXPECT_EQ(file.ReadString("LT_Tarsel", "M_Layer", "H_TEXT"), "H_TEXT");
    EXPECT_EQ(file.ReadInteger("LT_Tarsel", "Keta1", 2), 2);
    // Written back untouched, every byte stays.
    EXPECT_EQ(file.Serialize().bytes, bytes);
}

TEST(ProfileWriter, ChangesOnlyTheKeysWrittenAndKeepsEverythingElse) {
    const std::string before =
        "; kept comment\r\n"
        "[Other]\r\n"
        "Keta1 = 9\r\n"
        "\r\n"
        "[lt_tarsel]\r\n"
        "  keta1 = 3  ; not a comment\r\n"
        "M_Layer=\"H_TEXT\"\r\n"
        "; closing comment\r\n"
        "\r\n"
        "[Tail]\r\n"
        "x=1";
    ProfileFile file = ProfileFile::FromBytes(before);
    file.WriteInteger("LT_Tarsel", "Keta1", 4);
    file.WriteString("LT_Tarsel", "M_Layer", "H_TEXT");  // unchanged: the line stays as it is
    file.WriteString("LT_Tarsel", "Haba1", "1,2");       // new: after the section's last key
    file.WriteInteger("Form", "Top", 5);                 // new section at the end
    EXPECT_EQ(file.Serialize().bytes,
              "; kept comment\r\n"
              "[Other]\r\n"
              "Keta1 = 9\r\n"
              "\r\n"
              "[lt_tarsel]\r\n"
              "keta1=4\r\n"
              "M_Layer=\"H_TEXT\"\r\n"
              "Haba1=1,2\r\n"
              "; closing comment\r\n"
              "\r\n"
              "[Tail]\r\n"
              "x=1\r\n"
              "[Form]\r\n"
              "Top=5\r\n");
}

TEST(ProfileWriter, NewLinesFollowTheFilesLineEnds) {
    ProfileFile lf = ProfileFile::FromBytes("[S]\nA=1\n");
    lf.WriteString("S", "B", "2");
    EXPECT_EQ(lf.Serialize().bytes, "[S]\nA=1\nB=2\n");
    ProfileFile cr = ProfileFile::FromBytes("[S]\rA=1");
    cr.WriteString("S", "B", "2");
    EXPECT_EQ(cr.Serialize().bytes, "[S]\rA=1\rB=2\r");
    ProfileFile empty;
    empty.WriteString("S", "B", "2");
    EXPECT_EQ(empty.Serialize().bytes, "[S]\r\nB=2\r\n");
}

TEST(ProfileWriter, EveryValueReadsBackAsWritten) {
    const std::string values[] = {"",    " lead", "trail\t", "\"quoted\"",
                                  "'q'", "\"",    "a=b",     ";semi",
                                  "[x]", "値 ",   "'a\"",    std::string(kProfileValueMax, 'w')};
    for (const std::string& value : values) {
        SCOPED_TRACE(value);
        ProfileFile file;
        file.WriteString("S", "K", value);
        const ProfileFile back = ProfileFile::FromBytes(file.Serialize().bytes);
        EXPECT_EQ(back.ReadValue("S", "K"), value);
    }
}

TEST(ProfileWriter, RefusesValuesNoLineCanHold) {
    const std::string bad[] = {"a\r\n[Form]\r\nTop=0", "a\nb", std::string("a\0b", 3),
                               std::string(kProfileValueMax + 1, 'w'), "\xFF"};
    for (const std::string& value : bad) {
        ProfileFile file = ProfileFile::FromBytes("[S]\r\nK=1\r\n");
        EXPECT_THROW(file.WriteString("S", "K", value), ProfileFileError);
        EXPECT_EQ(file.Serialize().bytes, "[S]\r\nK=1\r\n");
    }
}

TEST(ProfileWriter, WritesBackInTheEncodingRead) {
    struct Case {
        const char* name;
        std::string before;
        std::string after;
    };
    const Case cases[] = {
        {"UTF-8 BOM", "\xEF\xBB\xBF[S]\r\nA=値\r\n", "\xEF\xBB\xBF[S]\r\nA=値\r\nK=層\r\n"},
        {"UTF-16LE", testing::Utf16Bytes(u"[S]\r\nA=値\r\n", false),
         testing::Utf16Bytes(u"[S]\r\nA=値\r\nK=層\r\n", false)},
        {"UTF-16BE", testing::Utf16Bytes(u"[S]\r\nA=値\r\n", true),
         testing::Utf16Bytes(u"[S]\r\nA=値\r\nK=層\r\n", true)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProfileFile file = ProfileFile::FromBytes(c.before);
        file.WriteString("S", "K", "層");
        EXPECT_EQ(file.Serialize().bytes, c.after);
    }
}

#ifndef _WIN32
TEST(ProfileWriter, ShiftJisStaysShiftJisUnlessAValueNeedsMore) {
    // 値 and 層 in Shift-JIS; the NEC-selected IBM extension byte pair ED 40 (纊) decodes to
    // the same character as FA 5C, so re-encoding kept lines would change them.
    const std::string before = "[S]\r\nA=\x92\x6C\r\nB=\xED\x40\r\n";
    ProfileFile file = ProfileFile::FromBytes(before);
    ASSERT_EQ(EncodingName(file.Encoding()), "CP932");
    file.WriteString("S", "K", "層");
    EXPECT_EQ(file.Serialize().bytes, before + "K=\x91\x77\r\n");

    // A character Shift-JIS lacks: the file becomes UTF-8 with a byte-order mark, nothing is
    // lost to a "?".
    file.WriteString("S", "K", "한국");
    const ProfileFile::Bytes out = file.Serialize();
    EXPECT_EQ(out.encoding.kind, TextEncodingKind::kUtf8Bom);
    const ProfileFile back = ProfileFile::FromBytes(out.bytes);
    EXPECT_EQ(back.ReadValue("S", "A"), "値");
    EXPECT_EQ(back.ReadValue("S", "K"), "한국");
}
#endif

}  // namespace
}  // namespace tarsel::options
