// Large and hostile files: a drawing read from disk in pieces is the drawing read whole, values
// of any length come back byte for byte, deep block nesting is no danger, and a file too large
// for a drawing is refused before it is read.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "minicad/drawing.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"

namespace tarsel::minicad {
namespace {

namespace fs = std::filesystem;

class ScratchFile {
public:
    explicit ScratchFile(const std::string& name)
        : path_(fs::temp_directory_path() / ("tarsel-large-" + name)) {}
    ~ScratchFile() {
        std::error_code ignored;
        fs::remove(path_, ignored);
    }
    void Write(const std::string& bytes) const {
        std::ofstream out(path_, std::ios::binary);
        out << bytes;
    }
    [[nodiscard]] const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Lexed by the reader's own thread, or by a second one ahead of it, whatever the file's size.
DxfReadOptions LexedBy(int threads) {
    DxfReadOptions options;
    options.lexAheadFromBytes = threads == 1 ? std::numeric_limits<std::uint64_t>::max() : 0;
    return options;
}
const DxfReadOptions kOneThread = LexedBy(1), kTwoThreads = LexedBy(2);

// Several MiB of entities, so that reading in pieces cuts lines and binary values at every
// kind of place; now and then a parcel outline of hundreds of vertices, one record of more
// groups than the reader looks at in one block.
Drawing ManyEntities() {
    Drawing d;
    d.layers.push_back(Layer{"外周"});
    for (int i = 0; i < 40000; ++i) {
        Entity e;
        e.id = d.nextId++;
        e.layer = i % 3 == 0 ? "外周" : "0";
        const double x = i * 0.001 + 1.0e5, y = -3.0e4 + i;
        if (i % 4999 == 0) {
            PolylineData outline;
            for (int v = 0; v < 300 + i / 100; ++v)
                outline.vertices.push_back({x + v * 0.25, y + (v % 7) * 0.001, v % 5 ? 0.0 : 0.5});
            outline.closed = true;
            e.data = outline;
        } else if (i % 2 == 0) {
            e.data = LineData{{x, y, 0}, {x + 10.125, y - 0.5, 0}};
        } else {
            TextData t;
            t.text = "地番 " + std::to_string(i);
            t.insertion = {x, y, 0};
            e.data = t;
        }
        d.entities.push_back(std::move(e));
    }
    return d;
}

TEST(DxfLarge, AFileReadInPiecesIsTheSameDrawing) {
    const Drawing drawing = ManyEntities();
    for (const DxfVersion version : {DxfVersion::R12, DxfVersion::R2018}) {
        for (const bool binary : {false, true}) {
            SCOPED_TRACE(std::string(AcadVerOf(version)) + (binary ? " binary" : " ASCII"));
            std::string bytes = WriteDxf(drawing, version);
            if (binary) bytes = dxf::BinaryFromAscii(bytes, "many.dxf");
            ASSERT_GT(bytes.size(), std::size_t{2} << 20);  // pieces are 1 MiB
            ScratchFile file("many.dxf");
            file.Write(bytes);
            const Drawing whole = ReadDxf(bytes, "many.dxf");
            const Drawing pieces = ReadDxfFile(file.path());
            ASSERT_EQ(pieces.entities.size(), drawing.entities.size());
            EXPECT_EQ(WriteDxf(pieces), WriteDxf(whole));
            EXPECT_EQ(WriteDxf(pieces), bytes);
            // Lexed by a second thread, as larger files are, it is the same drawing.
            EXPECT_EQ(WriteDxf(ReadDxf(bytes, "many.dxf", nullptr, kTwoThreads)), bytes);
            EXPECT_EQ(WriteDxf(ReadDxfFile(file.path(), nullptr, kTwoThreads)), bytes);
        }
    }
}

// Damage far into a large file, where the second thread lexes batches ahead of the reader:
// the error is the first one in the file, whichever step finds it, as when one thread reads.
TEST(DxfLarge, TheFirstErrorOfALargeFileIsTheOneReported) {
    const std::string bytes = WriteDxf(ManyEntities(), DxfVersion::R2018);
    // The value of the first group code at or after a part of the file.
    const auto valueAfter = [&](double part, std::string_view code) {
        const std::size_t at = bytes.find("\r\n" + std::string(code) + "\r\n",
                                          static_cast<std::size_t>(bytes.size() * part));
        return at + code.size() + 4;
    };
    const auto lineOf = [&](std::size_t at) {
        return 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + at, '\n'));
    };
    // Half way into the file, an entity's type, and a y coordinate a few lines on: whichever
    // thread lexes, the coordinate is lexed before the entity is read.
    const std::size_t type = valueAfter(0.5, "  0");
    const std::size_t number = valueAfter(double(type) / double(bytes.size()), " 20");
    struct Case {
        const char* name;
        std::vector<std::pair<std::size_t, std::string>> damage;  // a value line's new text
        std::size_t cut;                                          // the file's new size
        std::size_t at;  // the line of the error, as a place in the file
        const char* message;
    };
    const Case cases[] = {
        {"a word for a number", {{number, "abc"}}, bytes.size(), number, "needs a finite number"},
        {"a misplaced ENDBLK before it",
         {{type, "ENDBLK"}, {number, "abc"}},
         bytes.size(),
         type - 5,
         "ENDBLK outside"},
        {"the file cut short", {}, number, number - 5, "without its value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string damaged = bytes.substr(0, c.cut);
        for (const auto& [at, text] : c.damage)
            damaged.replace(at, damaged.find("\r\n", at) - at, text);
        ScratchFile file("damaged.dxf");
        file.Write(damaged);
        for (const DxfReadOptions& options : {kOneThread, kTwoThreads}) {
            try {
                (void)ReadDxfFile(file.path(), nullptr, options);
                ADD_FAILURE() << "read without an error";
            } catch (const DxfError& e) {
                EXPECT_EQ(e.line(), lineOf(c.at)) << e.what();
                EXPECT_NE(e.message().find(c.message), std::string::npos) << e.what();
            }
        }
    }
}

// Values past the store's short sizes and past its pages are kept like any other.
TEST(DxfLarge, LongValuesAreWrittenBackAsRead) {
    for (const std::size_t length : {std::size_t{70000}, std::size_t{3} << 20}) {
        SCOPED_TRACE(length);
        std::string value(length, 'x');
        for (std::size_t i = 0; i < length; i += 997) value[i] = static_cast<char>('a' + i % 26);
        const std::string content = "0\nSECTION\n2\nENTITIES\n0\nMTEXT\n8\n0\n1\n" + value +
                                    "\n0\nLINE\n10\n1.5\n0\nENDSEC\n0\nEOF\n";
        ScratchFile file("long.dxf");
        file.Write(content);
        const Drawing read = ReadDxfFile(file.path());
        ASSERT_EQ(read.entities.size(), 2u);
        EXPECT_EQ(read.entities[0].raw.Find(1), value);
        EXPECT_NE(WriteDxf(read).find("\r\n" + value + "\r\n"), std::string::npos);
        EXPECT_EQ(DataOf<LineData>(read.entities[1].data).start.x, 1.5);
    }
}

// Code page of an old file that does not declare one, judged from all its bytes before the
// first text is decoded, also when the file is read from disk.
TEST(DxfLarge, UndeclaredCodePageIsJudgedFromTheWholeFile) {
    const std::string shiftJis = "\x8A\x4F\x8E\xFC";  // 外周
    std::string content = "0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < 20000; ++i) content += "0\nLINE\n8\n0\n10\n" + std::to_string(i) + "\n";
    content += "0\nLINE\n8\n" + shiftJis + "\n0\nENDSEC\n0\nEOF\n";
    ScratchFile file("sjis.dxf");
    file.Write(content);
    const Drawing read = ReadDxfFile(file.path());
    EXPECT_EQ(read.entities.back().layer, "外周");
    EXPECT_EQ(read.codePage, 932u);
}

std::string Chain(int blocks, bool closed) {
    std::string s = "0\nSECTION\n2\nBLOCKS\n";
    for (int i = 0; i < blocks; ++i) {
        const int next = i + 1 < blocks ? i + 1 : (closed ? 0 : -1);
        s += "0\nBLOCK\n2\nB" + std::to_string(i) + "\n10\n0\n20\n0\n";
        if (next >= 0)
            s += "0\nINSERT\n2\nB" + std::to_string(next) + "\n10\n1\n20\n0\n";
        else
            s += "0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n";
        s += "0\nENDBLK\n";
    }
    return s + "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n0\nINSERT\n2\nB0\n10\n0\n20\n0\n" +
           "0\nENDSEC\n0\nEOF\n";
}

TEST(DxfLarge, DeepBlockNestingReadsOrIsRefusedWithoutCrashing) {
    const Drawing chain = ReadDxf(Chain(40000, false), "chain.dxf");
    EXPECT_EQ(chain.blocks.size(), 40000u);
    EXPECT_EQ(ReadDxf(WriteDxf(chain), "saved.dxf").blocks.size(), 40000u);
    try {
        (void)ReadDxf(Chain(40000, true), "ring.dxf");
        FAIL() << "a block that contains itself was read";
    } catch (const DxfError& e) {
        EXPECT_NE(std::string(e.what()).find("contains itself"), std::string::npos) << e.what();
    }
}

// Thousands of layers, each named twice in another case, in a table that claims more entries
// than any file could hold (or fewer, or none): every name is found whatever its case, the
// last entry of a name describes it, and the file is saved back as read.
TEST(DxfLarge, ManyLayersWhateverTheTableClaims) {
    for (const char* claimed : {"2147483647", "0", "-7", "3"}) {
        SCOPED_TRACE(claimed);
        std::string file = "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n70\n";
        file += claimed;
        file += "\n";
        for (int i = 0; i < 3000; ++i)
            file += "0\nLAYER\n2\nLayer-" + std::to_string(i) + "\n70\n0\n62\n1\n6\nCONTINUOUS\n";
        for (int i = 0; i < 3000; ++i)
            file += "0\nLAYER\n2\nLAYER-" + std::to_string(i) + "\n70\n0\n62\n" +
                    std::to_string(i % 255 + 1) + "\n6\nCONTINUOUS\n";
        file += "0\nENDTAB\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
        for (int i = 0; i < 3000; i += 7)
            file += "0\nPOINT\n8\nlayer-" + std::to_string(i) + "\n10\n1.0\n20\n2.0\n30\n0.0\n";
        file += "0\nENDSEC\n0\nEOF\n";

        const Drawing d = ReadDxf(file, "layers.dxf");
        ASSERT_EQ(d.layers.size(), 3001u);  // "0" and one of each name
        EXPECT_EQ(d.layers[1].name, "LAYER-0");
        EXPECT_EQ(d.layers[3000].color, 2999 % 255 + 1);
        EXPECT_EQ(d.layers[3000].name, "LAYER-2999");
        for (const Entity& e : d.entities) EXPECT_EQ(e.layer.str().substr(0, 6), "layer-");
        const std::string saved = WriteDxf(d);
        EXPECT_EQ(WriteDxf(ReadDxf(saved, "saved.dxf")), saved);
        EXPECT_EQ(ReadDxf(saved, "saved.dxf").layers.size(), 3001u);
    }
}

TEST(DxfLarge, TooLargeIsRefusedBeforeReading) {
    struct Case {
        const char* name;
        std::uint64_t fileBytes;
        std::uint64_t limit;
        const char* message;
    };
    const Case cases[] = {
        {"3 GB file, default limit", std::uint64_t{3} << 30, DxfReadOptions{}.maxFileBytes,
         "3072 MiB, larger than the 2048 MiB a drawing may have"},
        {"over a chosen limit", std::uint64_t{5} << 20, std::uint64_t{4} << 20,
         "5 MiB, larger than the 4 MiB a drawing may have"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScratchFile file("sparse.dxf");
        file.Write("");
        fs::resize_file(file.path(), c.fileBytes);  // sparse: nothing is written
        DxfReadOptions options;
        options.maxFileBytes = c.limit;
        try {
            (void)ReadDxfFile(file.path(), nullptr, options);
            FAIL() << "read";
        } catch (const DxfError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
        }
    }
    DxfReadOptions small;
    small.maxFileBytes = 10;
    EXPECT_THROW(
        (void)ReadDxf("0\nSECTION\n2\nENTITIES\n0\nENDSEC\n0\nEOF\n", "m.dxf", nullptr, small),
        DxfError);
}

#ifndef _WIN32
// A device that never ends: refused at the first line that no drawing has, after reading
// no more than that line.
TEST(DxfLarge, EndlessInputEndsWithAnError) {
    try {
        (void)ReadDxfFile("/dev/zero");
        FAIL() << "read";
    } catch (const DxfError& e) {
        EXPECT_NE(std::string(e.what()).find("longer than 16 MiB"), std::string::npos) << e.what();
    }
}
#endif

}  // namespace
}  // namespace tarsel::minicad
