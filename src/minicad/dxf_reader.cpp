// Reading DXF (R12 to current, ASCII or binary) into minicad's drawing records. Groups come
// from the lexer a batch at a time (numbers checked once; for a large file, lexed by a second
// thread while the first builds objects), and each object is built as its groups arrive:
// nothing holds the groups of the whole file but the compact store that lossless saving
// needs.
#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <set>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "geometry/ocs.h"
#include "minicad/dxf.h"
#include "minicad/dxf_groups.h"
#include "minicad/xdata_codes.h"
#include "platform/codepage.h"
#include "platform/memory_hint.h"
#include "text/caseless_index.h"
#include "text/names.h"

namespace tarsel::minicad {
namespace {

using dxf::Group;
using text::UpperAscii;

// How the string values of a file are to be decoded.
struct Encoding {
    unsigned codePage = 0;  // of the bytes; UTF-8 from R2007 on
    int release = 1009;     // "AC1032" -> 1032; files without a version are R12 or older
    unsigned declared = 0;  // $DWGCODEPAGE, 0 when absent or unknown
    unsigned saved = 0;     // the code page the drawing keeps for saving (0: none decided)
};

// $ACADVER and $DWGCODEPAGE decide how every string of the file reads, including header
// values that come before them, so they are looked up before anything is parsed: a first pass
// over the HEADER, or over the whole file when only its bytes can tell the code page. The
// lexer is left at the start again.
// "AC1032" -> 1032; files without a version are R12 or older.
int ReleaseOf(std::string_view version) {
    int release = 0;
    if (version.size() == 6 && version.substr(0, 2) == "AC") {
        for (char c : version.substr(2))
            release = (c >= '0' && c <= '9') ? release * 10 + (c - '0') : -1;
    }
    return std::max(release, 1009);
}

Encoding DetectEncoding(dxf::GroupLexer& lexer, unsigned override) {
    std::string version, codePage;
    dxf::CodePageGuess guess;
    bool sectionStart = false, inHeader = false, headerSeen = false;
    std::string variable;  // the header variable whose value comes next
    Group g;
    while (lexer.Next(g)) {
        guess.Add(g);
        if (headerSeen) continue;
        if (g.code == 0) {
            variable.clear();
            if (inHeader) {
                headerSeen = true;
                // The rest of the file matters only when the bytes must decide.
                if (ReleaseOf(version) >= 1021) break;
                if (override != 0 || dxf::CodePageFromName(codePage) != 0) break;
                continue;
            }
            sectionStart = text::Trim(g.raw) == "SECTION";
            continue;
        }
        if (sectionStart) {
            sectionStart = false;
            inHeader = g.code == 2 && text::Trim(g.raw) == "HEADER";
            continue;
        }
        if (!inHeader) continue;
        if (g.code == 9) {
            variable = std::string(text::Trim(g.raw));
            continue;
        }
        if (variable == "$ACADVER" && g.code == 1) version = std::string(text::Trim(g.raw));
        if (variable == "$DWGCODEPAGE" && g.code == 3) codePage = std::string(text::Trim(g.raw));
        variable.clear();
    }
    lexer.Rewind();

    const int release = ReleaseOf(version);
    const unsigned declared = dxf::CodePageFromName(codePage);
    const unsigned windows = declared == platform::kCodePageUtf8 ? 0 : declared;
    if (release >= 1021) return {platform::kCodePageUtf8, release, declared, windows};
    if (override != 0) return {override, release, declared, override};
    if (declared != 0) return {declared, release, declared, windows};
    // Without a declaration the bytes decide; a file of plain ASCII leaves the choice open.
    const unsigned guessed = guess.Result();
    if (guessed == 0) return {platform::kCodePageWestern, release, declared, 0};
    return {guessed, release, declared, guessed == platform::kCodePageUtf8 ? 0 : guessed};
}

bool IsModelOrPaperSpaceBlock(const std::string& name) {
    const std::string upper = UpperAscii(name);
    return upper == "*MODEL_SPACE" || upper.rfind("*PAPER_SPACE", 0) == 0;
}

// AcAlignment from DXF 72 (horizontal) and 73 (vertical); 72 values 3..5 ignore 73.
std::optional<TextAlignment> AlignmentFromGroups(std::int64_t h, std::int64_t v) {
    if (h < 0 || h > 5 || v < 0 || v > 3) return std::nullopt;
    if (h >= 3 || v == 0) return static_cast<TextAlignment>(h);
    static constexpr TextAlignment kTable[3][3] = {
        {TextAlignment::BottomLeft, TextAlignment::BottomCenter, TextAlignment::BottomRight},
        {TextAlignment::MiddleLeft, TextAlignment::MiddleCenter, TextAlignment::MiddleRight},
        {TextAlignment::TopLeft, TextAlignment::TopCenter, TextAlignment::TopRight},
    };
    return kTable[v - 1][h];
}

struct InsertRef {
    std::string owner;  // upper-cased block holding the INSERT, "" for model space
    std::string block;  // as written
    int line = 0;
};

// The groups of the input in order, each already in the store the kept objects share, cut in
// batches. A large input is cut by a second thread a few batches ahead of the reader, which
// then builds objects while the next groups are lexed; a small one as the reader needs it.
// Both ways run the same steps on the groups in the same order, so the store, the groups and
// the first error are the same either way: an error met while lexing ahead is held back until
// the reader has taken every group before it.
class GroupFeed {
public:
    GroupFeed(dxf::GroupLexer& lexer, RawStore& store) : lexer_(lexer), store_(store) {}
    ~GroupFeed() { Stop(); }
    GroupFeed(const GroupFeed&) = delete;
    GroupFeed& operator=(const GroupFeed&) = delete;

    // Whether the groups are to be cut by a second thread; decided before the first group.
    void Ahead(bool ahead) { ahead_ = ahead; }

    // The next group; false at the end. Throws what lexing threw, at the group where it did.
    bool Next(Group& g) {
        while (next_ == end_) {
            if (current_->last) {
                if (current_->error) std::rethrow_exception(current_->error);
                return false;
            }
            Advance();
        }
        g = *next_++;
        return true;
    }

    [[nodiscard]] const std::string& Source() const { return lexer_.Source(); }
    // The bytes after the groups given (roughly, for sizing), 0 when the size is unknown.
    [[nodiscard]] std::uint64_t BytesLeft() const {
        return started_ ? current_->bytesLeft : lexer_.BytesLeft();
    }

    // The second thread, if any, is stopped and gone: the lexer and the store are the caller's
    // alone again.
    void Stop() noexcept {
        if (!thread_.joinable()) return;
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();  // it may wait for room
        thread_.join();
    }

private:
    // Groups in a batch: the threads meet once a batch, and meeting costs a wake-up, so the
    // second thread's are large; cut here, they are kept small for the many small drawings.
    static constexpr std::size_t kAheadBatch = 16384;
    static constexpr std::size_t kBatch = 1024;
    static constexpr std::size_t kDepth = 4;  // batches the second thread may be ahead

    // Each on cache lines of its own: the thread filling one must not slow down the one
    // reading its neighbour.
    struct alignas(64) Batch {
        std::vector<Group> groups;
        bool last = false;            // no batch follows
        std::exception_ptr error;     // what ended the input, when it is not its end
        std::uint64_t bytesLeft = 0;  // after the last group
    };

    // The one step both ways share: up to most groups from the lexer into the store.
    void Fill(Batch& batch, std::size_t most) noexcept {
        batch.groups.clear();
        try {
            batch.groups.reserve(most);
            Group g;
            while (batch.groups.size() < most) {
                if (!lexer_.Next(g)) {
                    batch.last = true;
                    break;
                }
                try {
                    g.raw = store_.Add(g.code, g.raw);
                } catch (const std::length_error&) {
                    throw DxfError(lexer_.Source(), g.line,
                                   "the file is too large (over 4 GB of values)");
                }
                batch.groups.push_back(g);
            }
        } catch (...) {
            batch.error = std::current_exception();
            batch.last = true;
        }
        batch.bytesLeft = lexer_.BytesLeft();
    }

    // Moves current_ on to the next batch.
    void Advance() {
        if (!started_) {
            started_ = true;
            if (ahead_) {
                try {
                    thread_ = std::thread([this] { Run(); });
                } catch (const std::exception&) {
                    ahead_ = false;  // no thread to be had: the batches are cut here
                }
            }
        }
        if (!thread_.joinable()) {
            current_ = &ring_[0];
            Fill(*current_, kBatch);
        } else {
            std::unique_lock lock(mutex_);
            if (consumed_ > 0) {
                ++released_;
                changed_.notify_all();
            }
            changed_.wait(lock, [this] { return produced_ > consumed_; });
            current_ = &ring_[consumed_++ % kDepth];
        }
        next_ = current_->groups.data();
        end_ = next_ + current_->groups.size();
    }

    void Run() noexcept {
        for (std::size_t n = 0;; ++n) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || n < released_ + kDepth; });
                if (stop_) return;
            }
            Batch& batch = ring_[n % kDepth];
            Fill(batch, kAheadBatch);
            {
                const std::lock_guard lock(mutex_);
                ++produced_;
            }
            changed_.notify_all();
            if (batch.last) return;
        }
    }

    dxf::GroupLexer& lexer_;
    RawStore& store_;
    bool ahead_ = false, started_ = false;
    std::array<Batch, kDepth> ring_;
    Batch empty_;                  // before the first batch
    Batch* current_ = &empty_;     // the batch the reader takes groups from
    const Group* next_ = nullptr;  // of current_'s groups, the next to give
    const Group* end_ = nullptr;
    std::size_t consumed_ = 0;  // batches the reader has taken
    std::thread thread_;
    // Batch n is ring_[n % kDepth]: made when produced_ > n, free to fill again when
    // released_ + kDepth > n. The threads meet once a batch; a notify finds a waiter only when
    // one side has caught up with the other.
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t produced_ = 0, released_ = 0;
    bool stop_ = false;
};

class Cursor;

// The groups from the oldest one still needed to the newest pulled, found by their position in
// the file. They are kept in blocks of a fixed power-of-two size: a group never moves while it
// is in the window (readers hold references to groups across pulls), and finding one costs a
// shift and a mask, for the several times every group of a file is looked at.
class GroupWindow {
public:
    [[nodiscard]] std::size_t End() const { return end_; }
    [[nodiscard]] const Group& operator[](std::size_t position) const {
        return blocks_[head_ + (position >> kBits) - (begin_ >> kBits)][position & kMask];
    }
    void PushBack(const Group& g) {
        if ((end_ & kMask) == 0)
            blocks_.push_back(spare_ ? std::move(spare_) : std::make_unique<Group[]>(kSize));
        blocks_.back()[end_ & kMask] = g;
        ++end_;
    }
    // The groups before position are no longer needed; a block all of whose groups are goes.
    void DropBefore(std::size_t position) {
        position = std::min(position, end_);
        if (position <= begin_) return;
        for (std::size_t block = begin_ >> kBits; block < position >> kBits; ++block)
            spare_ = std::move(blocks_[head_++]);
        begin_ = position;
        if (head_ >= 64) {
            blocks_.erase(blocks_.begin(), blocks_.begin() + static_cast<std::ptrdiff_t>(head_));
            head_ = 0;
        }
    }

private:
    static constexpr std::size_t kBits = 8, kSize = std::size_t{1} << kBits, kMask = kSize - 1;
    std::vector<std::unique_ptr<Group[]>> blocks_;  // from blocks_[head_], which holds begin_
    std::unique_ptr<Group[]> spare_;                // the last block dropped, to use again
    std::size_t head_ = 0;
    std::size_t begin_ = 0, end_ = 0;  // the positions held: from begin_ to before end_
};

// The groups of one record (an entity, a table entry) while the reader builds its object: in
// the cursor's window, or copied out of it (Keep) when what follows the record is long.
class Record {
public:
    Record(const Cursor* cursor, std::size_t first, std::size_t count)
        : cursor_(cursor), first_(first), count_(count) {}
    explicit Record(const std::vector<Group>& groups)
        : data_(groups.data()), count_(groups.size()) {}
    // The groups as a list that outlives the window; their values stay in the store.
    [[nodiscard]] std::vector<Group> Copy() const {
        std::vector<Group> out;
        out.reserve(count_);
        for (std::size_t i = 0; i < count_; ++i) out.push_back((*this)[i]);
        return out;
    }
    [[nodiscard]] std::size_t size() const { return count_; }
    [[nodiscard]] bool empty() const { return count_ == 0; }
    [[nodiscard]] const Group& operator[](std::size_t i) const;
    [[nodiscard]] Record subspan(std::size_t from) const {
        from = std::min(from, count_);
        Record rest = *this;
        rest.first_ += from;
        rest.count_ -= from;
        return rest;
    }

    class Iterator {
    public:
        Iterator(const Record* record, std::size_t i) : record_(record), i_(i) {}
        const Group& operator*() const { return (*record_)[i_]; }
        Iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator!=(const Iterator& other) const { return i_ != other.i_; }

    private:
        const Record* record_;
        std::size_t i_;
    };
    [[nodiscard]] Iterator begin() const { return {this, 0}; }
    [[nodiscard]] Iterator end() const { return {this, count_}; }

private:
    const Cursor* cursor_ = nullptr;
    const Group* data_ = nullptr;  // the copied groups, or null for the window's
    std::size_t first_ = 0;        // the first group: its place in the file, or in data_
    std::size_t count_ = 0;
};

// Pull cursor over the groups as the lexer gives them, so parsing loops read like the file's
// structure. The cursor holds a window from the object being read to the group ahead (Forget
// moves its start up); every group also goes into the store the kept objects share, which owns
// the bytes the window's groups point to. Positions count groups from the start of the file,
// which are the store's indices.
class Cursor {
public:
    Cursor(dxf::GroupLexer& lexer, RawStore& store) : feed_(lexer, store) {}
    [[nodiscard]] std::uint64_t BytesLeft() const { return feed_.BytesLeft(); }
    // Whether a second thread is to lex ahead; decided before the first group is pulled.
    void LexAhead(bool ahead) { feed_.Ahead(ahead); }
    // No group is pulled any more: the lexer and the store are the caller's alone again.
    void Finish() { feed_.Stop(); }

    [[nodiscard]] bool AtEnd() const { return !Fetch(); }
    [[nodiscard]] const Group& Current() const {
        if (!Fetch()) Fail("the file ends in the middle of the drawing (truncated?)");
        return At(pos_);
    }
    [[nodiscard]] int Code() const { return Current().code; }
    [[nodiscard]] bool Is(int code) const { return Fetch() && At(pos_).code == code; }
    [[nodiscard]] bool Is(int code, std::string_view value) const {
        return Is(code) && text::Trim(At(pos_).raw) == value;
    }
    [[nodiscard]] std::string_view Raw() const { return Current().raw; }
    Cursor& operator++() {
        ++pos_;
        return *this;
    }
    [[nodiscard]] std::size_t Position() const { return pos_; }
    // The groups after the current one up to the next group 0 (one entity or table entry);
    // the cursor moves on to that group 0.
    Record TakeRecord() {
        const std::size_t first = ++pos_;
        while (Fetch() && At(pos_).code != 0) ++pos_;
        return Record(this, first, pos_ - first);
    }
    // Of the current group, or of the last one at the end.
    [[nodiscard]] int Line() const { return Fetch() ? At(pos_).line : lastLine_; }
    // The groups before the current one are no longer needed.
    void Forget() { window_.DropBefore(pos_); }

    [[noreturn]] void Fail(const std::string& message) const {
        throw DxfError(feed_.Source(), Line(), message);
    }
    [[noreturn]] void FailAt(int line, const std::string& message) const {
        throw DxfError(feed_.Source(), line, message);
    }
    [[nodiscard]] const std::string& Source() const { return feed_.Source(); }

    [[nodiscard]] const Group& At(std::size_t position) const { return window_[position]; }
    // Above every handle the file holds, and $HANDSEED as read.
    [[nodiscard]] std::uint64_t HandleCeiling() const { return ceiling_; }
    [[nodiscard]] std::uint64_t HandSeed() const { return seed_; }

private:
    // True when the group at pos_ is in the window, pulling groups up to it.
    bool Fetch() const {
        while (pos_ >= window_.End()) {
            if (ended_) return false;
            Group g;
            if (!feed_.Next(g)) {
                ended_ = true;
                return false;
            }
            NoteHandle(g);
            lastLine_ = g.line;
            window_.PushBack(g);
        }
        return true;
    }

    // New objects get handles above all of those in use.
    void NoteHandle(const Group& g) const {
        const int c = g.code;
        if (c == 5 || c == 105 || (c >= 320 && c <= 369) || (c >= 390 && c <= 399) || c == 480 ||
            c == 481 || c == 1005) {
            const std::uint64_t h = HexHandle(g.raw);
            if (c == 5 && afterHandSeed_)
                seed_ = h;
            else if (h >= ceiling_)
                ceiling_ = h + 1;
        }
        afterHandSeed_ = c == 9 && text::Trim(g.raw) == "$HANDSEED";
    }

    static std::uint64_t HexHandle(std::string_view raw) {
        raw = text::Trim(raw);
        if (raw.empty() || raw.size() > 16) return 0;
        std::uint64_t h = 0;
        for (char c : raw) {
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                     : -1;
            if (digit < 0) return 0;
            h = h * 16 + static_cast<std::uint64_t>(digit);
        }
        return h;
    }

    mutable GroupFeed feed_;
    std::size_t pos_ = 0;
    mutable GroupWindow window_;
    mutable bool ended_ = false;
    mutable int lastLine_ = 0;
    mutable std::uint64_t ceiling_ = 0, seed_ = 0;
    mutable bool afterHandSeed_ = false;
};

const Group& Record::operator[](std::size_t i) const {
    return data_ ? data_[first_ + i] : cursor_->At(first_ + i);
}

// A little less than a group, a layer and an entity take in the files CADs write: the arrays that
// grow with a file are given room for what is left of it, so that they are not moved (and their
// memory touched twice) as they grow. Room never filled is never touched.
constexpr std::uint64_t kBytesPerGroupGuess = 10;
constexpr std::uint64_t kBytesPerLayerGuess = 48;
constexpr std::uint64_t kBytesPerEntityGuess = 128;

// Room for what the rest of the file will likely fill. Only a hint: one the machine refuses
// is dropped, and the array grows as it would have.
template <typename Grow>
void Presize(std::uint64_t count, Grow grow) {
    if (count < 1024) return;
    try {
        grow(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
    } catch (const std::length_error&) {
    }
}

class Reader {
public:
    Reader(dxf::GroupLexer& lexer, DxfNotes* notes, const DxfReadOptions& options)
        : source_(lexer.Source()),
          encoding_(DetectEncoding(lexer, options.codePage)),
          store_(std::make_shared<RawStore>()),
          cur_(lexer, *store_),
          notes_(notes) {
        Presize(lexer.BytesLeft() / kBytesPerGroupGuess,
                [&](std::size_t n) { store_->Reserve(n); });
        cur_.LexAhead(lexer.BytesLeft() >= options.lexAheadFromBytes);
        drawing_.codePage = encoding_.saved;
        drawing_.binaryDxf = lexer.Binary();
        image_ = std::make_shared<DxfFileImage>();
        image_->release = encoding_.release;
        image_->sourceBytes = lexer.BytesLeft();
        image_->codePage = encoding_.release >= 1021 ? encoding_.declared : encoding_.codePage;
        image_->declaredCodePage = encoding_.declared;
        for (std::size_t i = 0; i < drawing_.layers.size(); ++i)
            layerIndex_.Insert(drawing_.layers[i].name, i, LayerName());
    }

    Drawing Read() {
        while (!cur_.Is(0, "EOF")) {
            cur_.Forget();
            if (cur_.AtEnd()) cur_.Fail("the file ends without EOF (truncated?)");
            if (!cur_.Is(0, "SECTION")) cur_.Fail("expected a SECTION, found " + Describe());
            const std::size_t sectionStart = cur_.Position();
            ++cur_;
            if (!cur_.Is(2)) cur_.Fail("a SECTION must be followed by its name (group 2)");
            const std::string name(text::Trim(cur_.Raw()));
            ++cur_;
            if (name == "HEADER") {
                const std::size_t begin = cur_.Position();
                ReadHeader();
                image_->headers.push_back(Raw(begin, cur_.Position()));
                image_->variables = drawing_.variables;
            } else if (name == "TABLES") {
                ReadTables();
            } else if (name == "BLOCKS") {
                ReadBlocks();
            } else if (name == "ENTITIES") {
                Presize(cur_.BytesLeft() / kBytesPerEntityGuess, [&](std::size_t n) {
                    drawing_.entities.reserve(n);
                    platform::HintLargeRegion(drawing_.entities.data(),
                                              drawing_.entities.capacity() * sizeof(Entity));
                });
                ReadEntities(&drawing_.entities, "");
            } else {
                SkipSection(name);
            }
            ++cur_;  // ENDSEC
            image_->sections.push_back({name, Raw(sectionStart, cur_.Position())});
        }
        cur_.Finish();
        Finish();
        return std::move(drawing_);
    }

private:
    std::string Describe() const {
        if (cur_.AtEnd()) return "the end of the file";
        std::string value(text::Trim(cur_.Raw()).substr(0, 40));
        for (char& c : value)
            if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
                c = '?';
        return "group " + std::to_string(cur_.Code()) + " '" + value + "'";
    }

    RawGroups Raw(std::size_t begin, std::size_t end) const {
        return RawGroups(store_, begin, end);
    }

    void Note(int line, const std::string& what) {
        if (notes_) notes_->push_back(source_ + ":" + std::to_string(line) + ": " + what);
    }

    // The string value of a group as UTF-8.
    std::string Text(const Group& g) const {
        auto utf8 = platform::DecodeCodePage(g.raw, encoding_.codePage);
        // Some exporters write UTF-8 whatever code page they declare. Bytes that are not valid
        // in the declared code page but are valid UTF-8 are taken as such, and said so.
        if (!utf8 && platform::IsValidUtf8(g.raw)) {
            utf8 = std::string(g.raw);
            if (utf8FallbackLine_ == 0) utf8FallbackLine_ = g.line + 1;
        }
        if (!utf8)
            cur_.FailAt(g.line + 1, "text that is not valid in code page " +
                                        std::to_string(encoding_.codePage));
        auto text = dxf::DecodeText(*utf8, true);
        if (!text) cur_.FailAt(g.line + 1, "a \\M+ character that is not valid in its code page");
        return std::move(*text);
    }

    std::int16_t Int16(const Group& g) const {
        if (g.integer < std::numeric_limits<std::int16_t>::min() ||
            g.integer > std::numeric_limits<std::int16_t>::max())
            cur_.FailAt(g.line + 1, "group " + std::to_string(g.code) +
                                        " is out of range: " + std::to_string(g.integer));
        return static_cast<std::int16_t>(g.integer);
    }

    std::int32_t Int32(const Group& g) const {
        if (g.integer < std::numeric_limits<std::int32_t>::min() ||
            g.integer > std::numeric_limits<std::int32_t>::max())
            cur_.FailAt(g.line + 1, "group " + std::to_string(g.code) +
                                        " is out of range: " + std::to_string(g.integer));
        return static_cast<std::int32_t>(g.integer);
    }

    // Moves to the group 0 that ends the current record (the section's own groups included).
    void SkipToGroup0() {
        while (!cur_.AtEnd() && !cur_.Is(0)) ++cur_;
    }

    // Inside what (what followed by name): the text is put together only for a message, as
    // this runs once for every object of the file.
    void ExpectNotEnd(std::string_view what, std::string_view name = {}) {
        if (cur_.AtEnd())
            cur_.Fail("the file ends inside " + std::string(what) + std::string(name) +
                      " (truncated?)");
        if (cur_.Is(0, "EOF") || cur_.Is(0, "SECTION"))
            cur_.Fail(std::string(what) + std::string(name) + " is not closed by ENDSEC before " +
                      Describe());
    }

    void SkipSection(const std::string& name) {
        for (;;) {
            cur_.Forget();
            SkipToGroup0();
            ExpectNotEnd("section ", name);
            if (cur_.Is(0, "ENDSEC")) return;
            ++cur_;
        }
    }

    // ---- HEADER ----

    void ReadHeader() {
        Variables& vars = drawing_.variables;
        for (;;) {
            cur_.Forget();
            ExpectNotEnd("the HEADER section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(9)) cur_.Fail("expected a header variable (group 9), found " + Describe());
            const std::string name(text::Trim(cur_.Raw()));
            const int line = cur_.Line();
            ++cur_;
            std::vector<const Group*> values;
            while (!cur_.AtEnd() && !cur_.Is(9) && !cur_.Is(0)) {
                values.push_back(&cur_.Current());
                ++cur_;
            }
            auto value = [&](int code) -> const Group& {
                for (const Group* g : values)
                    if (g->code == code) return *g;
                cur_.FailAt(line, name + " needs a value in group " + std::to_string(code));
            };
            if (name == "$AUNITS") {
                vars.aunits = Int32(value(70));
            } else if (name == "$ANGBASE") {
                vars.angbase = value(50).real;
            } else if (name == "$ANGDIR") {
                vars.angdir = Int32(value(70));
            } else if (name == "$SNAPMODE") {
                vars.snapmode = Int32(value(70));
            } else if (name == "$CLAYER") {
                vars.clayer = Text(value(8));
                if (vars.clayer.empty()) vars.clayer = "0";
            } else if (name == "$DIMASZ") {
                vars.dimasz = value(40).real;
            } else if (name == "$DIMSCALE") {
                vars.dimscale = value(40).real;
            } else if (name == "$DIMLDRBLK") {
                vars.dimldrblk = Text(value(1));
            }
        }
    }

    // ---- TABLES ----

    void ReadTables() {
        for (;;) {
            cur_.Forget();
            ExpectNotEnd("the TABLES section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(0, "TABLE")) cur_.Fail("expected a TABLE, found " + Describe());
            const int tableLine = cur_.Line();
            const std::size_t headStart = cur_.Position();
            const auto head = cur_.TakeRecord();
            std::string table;
            std::int64_t declared = 0;  // how many entries the table says it holds
            for (const Group& g : head) {
                if (g.code == 2) table = std::string(text::Trim(g.raw));
                if (g.code == 70) declared = g.integer;
            }
            if (table.empty()) cur_.FailAt(tableLine, "a TABLE without its name (group 2)");
            // Trusted only as far as the rest of the file could hold that many.
            if (table == "LAYER" && declared > 0)
                Presize(std::min<std::uint64_t>(static_cast<std::uint64_t>(declared),
                                                cur_.BytesLeft() / kBytesPerLayerGuess),
                        [&](std::size_t n) {
                            drawing_.layers.reserve(drawing_.layers.size() + n);
                            layerIndex_.Reserve(drawing_.layers.size() + n);
                        });
            DxfFileImage::Table kept;
            kept.name = table;
            kept.head = Raw(headStart, cur_.Position());
            for (;;) {
                cur_.Forget();
                ExpectNotEnd("table ", table);
                if (cur_.Is(0, "ENDTAB")) break;
                if (cur_.Is(0, "TABLE")) cur_.Fail("table " + table + " is not closed by ENDTAB");
                const int line = cur_.Line();
                const std::size_t start = cur_.Position();
                const auto entry = cur_.TakeRecord();
                const RawGroups raw = Raw(start, cur_.Position());
                if (table == "LAYER") {
                    ReadLayer(entry, line, raw);
                    continue;
                }
                if (table == "APPID") ReadAppId(entry, line);
                std::string name;
                for (const Group& g : entry)
                    if (g.code == 2) {
                        name = Text(g);
                        break;
                    }
                kept.entries.push_back({std::move(name), raw});
            }
            const std::size_t endStart = cur_.Position();
            (void)cur_.TakeRecord();  // ENDTAB and its groups
            kept.end = Raw(endStart, cur_.Position());
            image_->tables.push_back(std::move(kept));
        }
    }

    void ReadLayer(Record entry, int line, const RawGroups& raw) {
        Layer layer;
        layer.name.clear();
        layer.raw = raw;
        for (const Group& g : entry) {
            switch (g.code) {
                case 2: layer.name = Text(g); break;
                case 62: layer.color = Int16(g); break;
                case 6: layer.linetype = Text(g); break;
                default: break;
            }
        }
        if (layer.name.empty()) cur_.FailAt(line, "a LAYER without a name");
        // "0" is always there, and a name may come twice: the file's last entry describes it.
        const std::size_t at = layerIndex_.Insert(layer.name, drawing_.layers.size(), LayerName());
        if (at == drawing_.layers.size())
            drawing_.layers.push_back(std::move(layer));
        else
            drawing_.layers[at] = std::move(layer);
    }

    void ReadAppId(Record entry, int line) {
        std::string name;
        for (const Group& g : entry)
            if (g.code == 2) name = Text(g);
        if (name.empty()) cur_.FailAt(line, "an APPID without a name");
        RegisterApp(name);
    }

    // Names compare without regard to ASCII case; the indexes keep a file of many layers or
    // applications linear to read.
    Layer* FindLayer(std::string_view name) {
        const std::size_t at = layerIndex_.Find(name, LayerName());
        return at == text::CaselessIndex::kNone ? nullptr : &drawing_.layers[at];
    }

    struct LayerNameAt {
        const std::vector<Layer>* layers;
        std::string_view operator()(std::size_t i) const { return (*layers)[i].name; }
    };
    LayerNameAt LayerName() const { return {&drawing_.layers}; }

    // The name an entity on layer holds: the one of the table entry spelt alike (most files
    // spell every layer as their table does), else one of its own spelling.
    SharedName EntityLayer(const std::string& layer, int line) {
        const Layer* entry = FindLayer(layer);
        if (!entry) layersUsed_.try_emplace(layer, line);
        if (entry && entry->name == layer) {
            const auto i = static_cast<std::size_t>(entry - drawing_.layers.data());
            if (layerNames_.size() <= i) layerNames_.resize(drawing_.layers.size());
            if (layerNames_[i] != layer) layerNames_[i] = SharedName(layer);
            return layerNames_[i];
        }
        auto [at, added] = otherLayerNames_.try_emplace(layer);
        if (added) at->second = SharedName(layer);
        return at->second;
    }

    void AddLayer(Layer layer) {
        layerIndex_.Insert(layer.name, drawing_.layers.size(), LayerName());
        drawing_.layers.push_back(std::move(layer));
    }

    void RegisterApp(const std::string& name) {
        if (appIndex_.insert(UpperAscii(name)).second) drawing_.appIds.push_back(name);
    }

    // ---- BLOCKS ----

    void ReadBlocks() {
        for (;;) {
            cur_.Forget();
            ExpectNotEnd("the BLOCKS section");
            if (cur_.Is(0, "ENDSEC")) return;
            if (!cur_.Is(0, "BLOCK")) cur_.Fail("expected a BLOCK, found " + Describe());
            const int line = cur_.Line();
            const std::size_t start = cur_.Position();
            Block block;
            for (const Group& g : cur_.TakeRecord()) {
                switch (g.code) {
                    case 2: block.name = Text(g); break;
                    case 3:
                        if (block.name.empty()) block.name = Text(g);
                        break;
                    case 10: block.base.x = g.real; break;
                    case 20: block.base.y = g.real; break;
                    case 30: block.base.z = g.real; break;
                    default: break;
                }
            }
            if (block.name.empty()) cur_.FailAt(line, "a BLOCK without a name");
            block.raw = Raw(start, cur_.Position());
            const std::string upper = UpperAscii(block.name);
            // The layout blocks hold paper space (and, in some writers, an empty copy of
            // model space); neither is a user block.
            const bool layout = IsModelOrPaperSpaceBlock(block.name);
            ReadEntities(layout ? nullptr : &block.entities, upper);
            if (!cur_.Is(0, "ENDBLK"))
                cur_.Fail("block " + block.name + " is not closed by ENDBLK");
            const std::size_t endStart = cur_.Position();
            (void)cur_.TakeRecord();
            block.rawEnd = Raw(endStart, cur_.Position());
            image_->blocks.push_back(
                {block.name, !layout, layout ? Raw(start, cur_.Position()) : RawGroups{}});
            if (layout) continue;
            if (!blockNames_.insert(upper).second)
                cur_.FailAt(line, "block " + block.name + " is defined twice");
            drawing_.blocks.push_back(std::move(block));
        }
    }

    // ---- ENTITIES (and the contents of blocks) ----

    // Reads entities up to ENDSEC (model space) or ENDBLK (a block, owner non-empty); into is
    // null for the entities of a layout block, which are passed over.
    void ReadEntities(std::vector<Entity>* into, const std::string& owner) {
        const bool inBlock = !owner.empty();
        for (;;) {
            cur_.Forget();
            ExpectNotEnd(inBlock ? "block " : "the ENTITIES section",
                         inBlock ? std::string_view(owner) : std::string_view());
            if (cur_.Is(0, "ENDSEC")) {
                if (inBlock) cur_.Fail("block " + owner + " is not closed by ENDBLK");
                return;
            }
            if (cur_.Is(0, "ENDBLK")) {
                if (!inBlock) cur_.Fail("ENDBLK outside the BLOCKS section");
                return;
            }
            if (!cur_.Is(0)) cur_.Fail("expected an entity (group 0), found " + Describe());
            if (cur_.Is(0, "BLOCK") || cur_.Is(0, "TABLE") || cur_.Is(0, "ENDTAB"))
                cur_.Fail(Describe() + " inside " +
                          (inBlock ? "block " + owner : "the ENTITIES section"));
            ReadEntity(into, owner, inBlock);
        }
    }

    struct Common {
        std::string layer = "0";
        bool paperSpace = false;
        std::vector<XdataGroup> xdata;
    };

    // Runs take on each entity-specific group and fills the groups every entity shares,
    // xdata included (everything from the first 1001 on). take is called in place, not through
    // a std::function: most of its lambdas are too large for one to hold without allocating,
    // once for every entity.
    template <typename Take>
    Common ReadCommon(Record record, const Take& take) {
        Common common;
        std::size_t i = 0;
        for (; i < record.size() && record[i].code != 1001; ++i) {
            const Group& g = record[i];
            if (g.code == 8) {
                common.layer = Text(g);
                if (common.layer.empty()) common.layer = "0";
            } else if (g.code == 67) {
                common.paperSpace = g.integer == 1;
            } else {
                take(g);
            }
        }
        ReadXdata(record.subspan(i), common.xdata);
        return common;
    }

    void ReadXdata(Record groups, std::vector<XdataGroup>& out) {
        XdataGroup* current = nullptr;
        for (std::size_t i = 0; i < groups.size(); ++i) {
            const Group& g = groups[i];
            const int code = g.code;
            if (code < 1000)
                cur_.FailAt(g.line, "group " + std::to_string(code) + " after the extended data");
            if (XdataKindOfCode(code) == XdataKind::Application) {
                const std::string app = Text(g);
                if (app.empty()) cur_.FailAt(g.line, "extended data without an application name");
                RegisterApp(app);
                current = nullptr;
                for (XdataGroup& x : out)
                    if (text::EqualsIgnoringAsciiCase(x.application, app)) current = &x;
                if (!current) current = &out.emplace_back(XdataGroup{app, {}});
                continue;
            }
            if (!current) cur_.FailAt(g.line, "extended data before its application name (1001)");
            XdataItem item;
            item.code = static_cast<std::int16_t>(code);
            const std::optional<XdataKind> kind = XdataKindOfCode(code);
            if (kind && IsTextKind(*kind)) {
                item.value = cadlink::Variant(Text(g));
            } else if (kind == XdataKind::Point) {
                double xyz[3] = {g.real, 0, 0};
                if (i + 1 >= groups.size() || groups[i + 1].code != code + 10)
                    cur_.FailAt(g.line, "xdata point " + std::to_string(code) + " lacks its " +
                                            std::to_string(code + 10));
                xyz[1] = groups[++i].real;
                if (i + 1 < groups.size() && groups[i + 1].code == code + 20)
                    xyz[2] = groups[++i].real;
                item.value = cadlink::Variant::DoubleArray({xyz[0], xyz[1], xyz[2]});
            } else if (kind == XdataKind::Real) {
                item.value = cadlink::Variant(g.real);
            } else if (kind == XdataKind::Int16) {
                item.value = cadlink::Variant(Int16(g));
            } else if (kind == XdataKind::Int32) {
                item.value = cadlink::Variant(Int32(g));
            } else {
                cur_.FailAt(g.line,
                            "group " + std::to_string(code) + " out of place in extended data");
            }
            current->items.push_back(std::move(item));
        }
    }

    // Adds the entity with its groups (from recordStart_ to here) unless it belongs to paper
    // space, which is kept as groups only; true when it was added.
    bool Keep(std::vector<Entity>* into, Common common, EntityData data, bool inBlock, int line,
              const std::string& type) {
        (void)type;
        if (!into) return false;  // in a layout block, which is kept whole
        RawGroups raw = Raw(recordStart_, cur_.Position());
        if (common.paperSpace && !inBlock) {
            image_->paperEntities.push_back({into->empty() ? 0 : into->back().id, std::move(raw)});
            return false;
        }
        // Entities of one layer share its name; only layers the tables lack are gathered. An
        // entity on the layer of the one before is not looked up at all: files hold long runs.
        if (lastLayer_ != common.layer) lastLayer_ = EntityLayer(common.layer, line);
        // Made in its place rather than built aside and moved in: a drawing has millions.
        Entity& e = into->emplace_back();
        e.id = drawing_.nextId++;
        e.layer = lastLayer_;
        e.xdata = std::move(common.xdata);
        e.data = std::move(data);
        e.raw = std::move(raw);
        return true;
    }

    // An entity of a kind the model does not hold: its layer and xdata for the automation
    // objects, its groups for the file. Extended data minicad cannot read is left to the
    // groups rather than refusing the drawing.
    void KeepOther(std::vector<Entity>* into, Record record, bool inBlock, int line,
                   const std::string& type) {
        Common c;
        OtherEntityData d{type, {}};
        std::size_t i = 0;
        for (; i < record.size() && record[i].code != 1001; ++i) {
            const Group& g = record[i];
            if (g.code == 8) {
                c.layer = Text(g);
                if (c.layer.empty()) c.layer = "0";
            } else if (g.code == 67) {
                c.paperSpace = g.integer == 1;
            } else if (g.code == 2 && type == "DIMENSION") {
                d.block = Text(g);
            }
        }
        try {
            ReadXdata(record.subspan(i), c.xdata);
        } catch (const DxfError&) {
            c.xdata.clear();
        }
        Keep(into, std::move(c), std::move(d), inBlock, line, type);
    }

    void Skipped(const std::string& what, int line) {
        auto [it, added] = skipped_.try_emplace(what, std::pair<int, int>{0, line});
        (void)added;
        ++it->second.first;
    }

    void ReadEntity(std::vector<Entity>* into, const std::string& owner, bool inBlock) {
        const std::string type(text::Trim(cur_.Raw()));
        const int line = cur_.Line();
        recordStart_ = cur_.Position();
        const auto record = cur_.TakeRecord();
        auto point = [](Point3& p, const Group& g, int base) {
            if (g.code == base)
                p.x = g.real;
            else if (g.code == base + 10)
                p.y = g.real;
            else if (g.code == base + 20)
                p.z = g.real;
        };

        if (type == "LINE") {
            LineData d;
            auto c = ReadCommon(record, [&](const Group& g) {
                point(d.start, g, 10);
                point(d.end, g, 11);
            });
            Keep(into, std::move(c), d, inBlock, line, type);
        } else if (type == "CIRCLE" || type == "ARC") {
            CircleData circle;
            ArcData arc;
            auto c = ReadCommon(record, [&](const Group& g) {
                point(circle.center, g, 10);
                point(circle.extrusion, g, 210);
                if (g.code == 40) circle.radius = g.real;
                if (g.code == 50) arc.startAngle = dxf::RadiansFromDegrees(g.real);
                if (g.code == 51) arc.endAngle = dxf::RadiansFromDegrees(g.real);
            });
            if (circle.radius < 0) cur_.FailAt(line, type + " with a negative radius");
            CheckExtrusion(circle.extrusion, type, line);
            if (type == "CIRCLE") {
                Keep(into, std::move(c), circle, inBlock, line, type);
            } else {
                arc.center = circle.center;
                arc.radius = circle.radius;
                arc.extrusion = circle.extrusion;
                Keep(into, std::move(c), arc, inBlock, line, type);
            }
        } else if (type == "TEXT") {
            ReadText(into, record, inBlock, line);
        } else if (type == "LWPOLYLINE") {
            ReadLwPolyline(into, record, inBlock, line);
        } else if (type == "POLYLINE") {
            ReadPolyline(into, record, inBlock, line);
        } else if (type == "INSERT") {
            ReadInsert(into, record, owner, inBlock, line);
        } else if (type == "LEADER") {
            ReadLeader(into, record, inBlock, line);
        } else {
            // Whatever follows as part of it (the VERTEX and SEQEND of some writers' kinds)
            // goes with it; a mesh may have many, so only its own record is held meanwhile.
            const std::vector<Group> head = record.Copy();
            while (cur_.Is(0, "VERTEX") || cur_.Is(0, "ATTRIB") || cur_.Is(0, "SEQEND")) {
                const bool end = cur_.Is(0, "SEQEND");
                cur_.Forget();
                (void)cur_.TakeRecord();
                if (end) break;
            }
            KeepOther(into, Record(head), inBlock, line, type);
        }
    }

    void ReadText(std::vector<Entity>* into, Record record, bool inBlock, int line) {
        TextData d;
        std::int64_t h = 0, v = 0;
        bool hasAlignmentPoint = false;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 1: d.text = Text(g); break;
                case 7: d.style = Text(g); break;
                case 10: d.insertion.x = g.real; break;
                case 20: d.insertion.y = g.real; break;
                case 30: d.insertion.z = g.real; break;
                case 11:
                    d.alignmentPoint.x = g.real;
                    hasAlignmentPoint = true;
                    break;
                case 21: d.alignmentPoint.y = g.real; break;
                case 31: d.alignmentPoint.z = g.real; break;
                case 40: d.height = g.real; break;
                case 50: d.rotation = dxf::RadiansFromDegrees(g.real); break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 72: h = g.integer; break;
                case 73: v = g.integer; break;
                default: break;
            }
        });
        const auto alignment = AlignmentFromGroups(h, v);
        if (!alignment)
            cur_.FailAt(line, "TEXT with an unknown alignment (72 = " + std::to_string(h) +
                                  ", 73 = " + std::to_string(v) + ")");
        d.alignment = *alignment;
        CheckExtrusion(d.extrusion, "TEXT", line);
        // A CAD places a non-left text by its alignment point; a file that leaves it out
        // means the one point it gives.
        if (d.alignment != TextAlignment::Left && !hasAlignmentPoint)
            d.alignmentPoint = d.insertion;
        if (d.style.empty()) d.style = "Standard";
        Keep(into, std::move(c), std::move(d), inBlock, line, "TEXT");
    }

    // A zero extrusion defines no plane to place the entity in.
    void CheckExtrusion(const Point3& extrusion, const std::string& type, int line) {
        if (!geometry::IsValidExtrusion(extrusion))
            cur_.FailAt(line, type + " with a zero extrusion direction (210/220/230)");
    }

    void CheckCount(std::int64_t declared, std::size_t found, const char* type, int line) {
        if (declared >= 0 && static_cast<std::uint64_t>(declared) != found)
            cur_.FailAt(line, std::string(type) + " declares " + std::to_string(declared) +
                                  " vertices but holds " + std::to_string(found));
    }

    void ReadLwPolyline(std::vector<Entity>* into, Record record, bool inBlock, int line) {
        PolylineData d;
        std::int64_t declared = -1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 90:
                    declared = g.integer;
                    // Room for the vertices it declares, as far as its groups could hold them.
                    if (declared > 0)
                        d.vertices.reserve(
                            std::min(static_cast<std::size_t>(declared), record.size() / 2));
                    break;
                case 70: d.closed = (g.integer & 1) != 0; break;
                case 38: d.elevation = g.real; break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 10: d.vertices.push_back({g.real, 0, 0}); break;
                case 20:
                case 42:
                    if (d.vertices.empty())
                        cur_.FailAt(g.line, "LWPOLYLINE group " + std::to_string(g.code) +
                                                " before its first vertex");
                    (g.code == 20 ? d.vertices.back().y : d.vertices.back().bulge) = g.real;
                    break;
                default: break;
            }
        });
        CheckCount(declared, d.vertices.size(), "LWPOLYLINE", line);
        CheckExtrusion(d.extrusion, "LWPOLYLINE", line);
        Keep(into, std::move(c), std::move(d), inBlock, line, "LWPOLYLINE");
    }

    // A POLYLINE header is followed by VERTEX records and a SEQEND.
    void ReadPolyline(std::vector<Entity>* into, Record record, bool inBlock, int line) {
        PolylineData d;
        std::int64_t flags = 0;
        auto c = ReadCommon(record, [&](const Group& g) {
            if (g.code == 70) flags = g.integer;
            if (g.code == 30) d.elevation = g.real;
            if (g.code == 210) d.extrusion.x = g.real;
            if (g.code == 220) d.extrusion.y = g.real;
            if (g.code == 230) d.extrusion.z = g.real;
        });
        constexpr std::int64_t k3dPolyline = 8, kMesh = 16, kPolyfaceMesh = 64;
        const bool flat = (flags & (k3dPolyline | kMesh | kPolyfaceMesh)) == 0;
        const std::vector<Group> head = record.Copy();
        while (cur_.Is(0, "VERTEX")) {
            cur_.Forget();
            const auto vertex = cur_.TakeRecord();
            PolylineVertex pv;
            std::int64_t vflags = 0;
            for (const Group& g : vertex) {
                switch (g.code) {
                    case 10: pv.x = g.real; break;
                    case 20: pv.y = g.real; break;
                    case 42: pv.bulge = g.real; break;
                    case 70: vflags = g.integer; break;
                    default: break;
                }
            }
            constexpr std::int64_t kSplineFrame = 16;  // control point, not on the curve
            if (!(vflags & kSplineFrame)) d.vertices.push_back(pv);
        }
        if (cur_.Is(0, "SEQEND")) (void)cur_.TakeRecord();
        if (!flat) {
            KeepOther(into, Record(head), inBlock, line, "POLYLINE");
            return;
        }
        d.closed = (flags & 1) != 0;
        CheckExtrusion(d.extrusion, "POLYLINE", line);
        Keep(into, std::move(c), std::move(d), inBlock, line, "POLYLINE");
    }

    void ReadInsert(std::vector<Entity>* into, Record record, const std::string& owner,
                    bool inBlock, int line) {
        InsertData d;
        bool attributes = false;
        std::int64_t columns = 1, rows = 1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 2: d.block = Text(g); break;
                case 10: d.insertion.x = g.real; break;
                case 20: d.insertion.y = g.real; break;
                case 30: d.insertion.z = g.real; break;
                case 41: d.scaleX = g.real; break;
                case 42: d.scaleY = g.real; break;
                case 43: d.scaleZ = g.real; break;
                case 50: d.rotation = dxf::RadiansFromDegrees(g.real); break;
                case 210: d.extrusion.x = g.real; break;
                case 220: d.extrusion.y = g.real; break;
                case 230: d.extrusion.z = g.real; break;
                case 66: attributes = g.integer != 0; break;
                case 70: columns = g.integer; break;
                case 71: rows = g.integer; break;
                default: break;
            }
        });
        if (d.block.empty()) cur_.FailAt(line, "INSERT without a block name");
        CheckExtrusion(d.extrusion, "INSERT", line);
        if (attributes) {
            while (cur_.Is(0, "ATTRIB")) (void)cur_.TakeRecord();
            if (cur_.Is(0, "SEQEND")) (void)cur_.TakeRecord();
        }
        if (columns > 1 || rows > 1) Skipped("INSERT array (only its first copy is kept)", line);
        InsertRef ref{owner, d.block, line};
        if (Keep(into, std::move(c), std::move(d), inBlock, line, "INSERT"))
            inserts_.push_back(std::move(ref));
    }

    void ReadLeader(std::vector<Entity>* into, Record record, bool inBlock, int line) {
        LeaderData d;
        std::int64_t declared = -1;
        auto c = ReadCommon(record, [&](const Group& g) {
            switch (g.code) {
                case 71: d.arrowhead = g.integer != 0; break;
                case 76: declared = g.integer; break;
                case 10: d.vertices.push_back({g.real, 0, 0}); break;
                case 20:
                case 30:
                    if (d.vertices.empty())
                        cur_.FailAt(g.line, "LEADER group " + std::to_string(g.code) +
                                                " before its first vertex");
                    (g.code == 20 ? d.vertices.back().y : d.vertices.back().z) = g.real;
                    break;
                default: break;
            }
        });
        CheckCount(declared, d.vertices.size(), "LEADER", line);
        if (d.vertices.size() < 2) {
            KeepOther(into, record, inBlock, line, "LEADER");
            return;
        }
        // The arrowhead's size and block are dimension settings: the drawing's, unless the
        // leader carries its own in the ACAD "DSTYLE" override list, which is consumed here.
        double dimasz = drawing_.variables.dimasz, dimscale = drawing_.variables.dimscale;
        for (auto it = c.xdata.begin(); it != c.xdata.end(); ++it) {
            if (UpperAscii(it->application) != "ACAD") continue;
            const auto& items = it->items;
            if (items.empty() || !items[0].value.IsText() || items[0].value.AsText() != "DSTYLE")
                continue;
            for (std::size_t k = 0; k + 1 < items.size(); ++k) {
                if (items[k].code != 1070 || items[k + 1].code != 1040) continue;
                const int which = items[k].value.AsInt();
                if (which == 41) dimasz = items[k + 1].value.AsDouble();
                if (which == 40) dimscale = items[k + 1].value.AsDouble();
            }
            c.xdata.erase(it);
            break;
        }
        d.arrowSize = dimasz * (dimscale == 0 ? 1.0 : dimscale);
        d.arrowBlock = drawing_.variables.dimldrblk;
        Keep(into, std::move(c), std::move(d), inBlock, line, "LEADER");
    }

    // ---- after the last section ----

    void Finish() {
        for (const auto& [layer, line] : layersUsed_)
            if (!FindLayer(layer)) AddLayer(Layer{layer});
        if (!FindLayer(drawing_.variables.clayer)) AddLayer(Layer{drawing_.variables.clayer});

        std::map<std::string, std::vector<std::string>> refs;  // block -> blocks it inserts
        for (const InsertRef& ref : inserts_) {
            const std::string upper = UpperAscii(ref.block);
            if (!blockNames_.count(upper))
                cur_.FailAt(ref.line,
                            "INSERT of block " + ref.block + ", which the file does not define");
            if (!ref.owner.empty()) refs[ref.owner].push_back(upper);
        }
        // A block that contains itself, directly or through others, would send every
        // explode or extents walk into an endless loop. The walk keeps its own stack: the
        // file chooses how deep blocks nest.
        std::unordered_map<std::string, int> state;  // 1 on the current path, 2 done
        static const std::vector<std::string> kNone;
        auto inside = [&](const std::string& block) -> const std::vector<std::string>& {
            const auto it = refs.find(block);
            return it == refs.end() ? kNone : it->second;
        };
        std::vector<std::pair<const std::string*, std::size_t>> path;  // block, next inner
        for (const auto& [block, inner] : refs) {
            if (state[block] != 0) continue;
            state[block] = 1;
            path.emplace_back(&block, 0);
            while (!path.empty()) {
                auto& [current, next] = path.back();
                const std::vector<std::string>& inners = inside(*current);
                if (next == inners.size()) {
                    state[*current] = 2;
                    path.pop_back();
                    continue;
                }
                const std::string& child = inners[next++];
                int& childState = state[child];
                if (childState == 1)
                    throw DxfError(source_, 0, "block " + child + " contains itself");
                if (childState == 0) {
                    childState = 1;
                    path.emplace_back(&child, 0);
                }
            }
        }

        if (utf8FallbackLine_ != 0)
            Note(utf8FallbackLine_, "texts in UTF-8 although the file declares code page " +
                                        std::to_string(encoding_.codePage) + "; read as UTF-8");
        image_->handleCeiling = cur_.HandleCeiling();
        image_->handSeed = cur_.HandSeed();
        drawing_.file = std::move(image_);
        for (const auto& [what, countAndLine] : skipped_) {
            const auto [count, line] = countAndLine;
            Note(line, what + ": " + std::to_string(count) +
                           (count == 1 ? " entity" : " entities") + " passed over");
        }
    }

    const std::string& source_;
    Encoding encoding_;
    std::shared_ptr<RawStore> store_;
    Cursor cur_;
    DxfNotes* notes_;
    mutable int utf8FallbackLine_ = 0;  // first text read as UTF-8 against the code page
    Drawing drawing_;
    std::shared_ptr<DxfFileImage> image_;
    std::size_t recordStart_ = 0;                       // the group 0 of the entity being read
    std::unordered_set<std::string> blockNames_;        // upper-cased
    text::CaselessIndex layerIndex_;                    // of drawing_.layers
    std::unordered_set<std::string> appIndex_{"ACAD"};  // upper-cased
    std::vector<InsertRef> inserts_;
    // The names of drawing_.layers as their entities hold them, made when first met.
    std::vector<SharedName> layerNames_;
    std::unordered_map<std::string, SharedName> otherLayerNames_;  // spelt unlike any entry
    SharedName lastLayer_;                                         // of the entity read last
    std::map<std::string, int> layersUsed_;                        // name -> first line
    std::map<std::string, std::pair<int, int>> skipped_;           // what -> (count, first line)
};

std::string PathText(const std::filesystem::path& path) {
    const auto u8 = path.u8string();
    return std::string(u8.begin(), u8.end());
}

}  // namespace

Drawing ReadDxf(std::string_view content, const std::string& sourceName, DxfNotes* notes,
                const DxfReadOptions& options) {
    if (content.size() > options.maxFileBytes)
        throw DxfError(sourceName, 0,
                       "the drawing is " + std::to_string(content.size() >> 20) +
                           " MiB, larger than the " + std::to_string(options.maxFileBytes >> 20) +
                           " MiB a drawing may have");
    dxf::GroupLexer lexer(content, sourceName);
    Reader reader(lexer, notes, options);
    return reader.Read();
}

Drawing ReadDxfFile(const std::filesystem::path& path, DxfNotes* notes,
                    const DxfReadOptions& options) {
    dxf::GroupLexer lexer(path, PathText(path), options.maxFileBytes);
    Reader reader(lexer, notes, options);
    return reader.Read();
}

}  // namespace tarsel::minicad
