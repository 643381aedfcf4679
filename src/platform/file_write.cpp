#include "platform/file_write.h"

#include <fstream>
#include <random>
#include <system_error>

#include "text/paths.h"

namespace tarsel::platform {
namespace {

BeforeRenameHook& Hook() {
    static BeforeRenameHook hook;
    return hook;
}

bool IsReadOnly(const std::filesystem::path& path) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::is_regular_file(status)) return false;
    using std::filesystem::perms;
    return (status.permissions() &
            (perms::owner_write | perms::group_write | perms::others_write)) == perms::none;
}

}  // namespace

void SetBeforeRenameHookForTesting(BeforeRenameHook hook) {
    Hook() = std::move(hook);
}

void WriteFileWhole(const std::filesystem::path& path, std::string_view bytes) {
    WriteFileStreamed(path, [bytes](const ByteSink& sink) { sink(bytes); });
}

void WriteFileStreamed(const std::filesystem::path& path,
                       const std::function<void(const ByteSink& sink)>& produce) {
    const std::string name = text::Utf8FromPath(path);
    if (IsReadOnly(path))
        throw FileWriteError("cannot replace " + name + ": the file is read-only");
    // A name of its own beside the target, so two saves at once cannot write into each
    // other's temporary file, and the rename stays on one volume.
    std::random_device random;
    std::filesystem::path temp = path;
    temp += ".tmp" + std::to_string(random() % 1000000);
    const auto removeTemp = [&temp] {
        std::error_code ignored;
        std::filesystem::remove(temp, ignored);
    };
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw FileWriteError("cannot create the temporary file " + text::Utf8FromPath(temp) +
                                 " for " + name);
        }
        const auto failed = [&] {
            out.close();
            removeTemp();
            return FileWriteError("cannot write " + name + " (disk full or not writable)");
        };
        try {
            produce([&](std::string_view bytes) {
                out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
                if (!out) throw failed();
            });
        } catch (...) {
            out.close();
            removeTemp();
            throw;
        }
        out.flush();
        if (!out) throw failed();
    }
    if (Hook()) Hook()(temp, path);
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) {
        removeTemp();
        throw FileWriteError("cannot replace " + name + ": " + ec.message());
    }
}

}  // namespace tarsel::platform
