// Bytes of files from every desktop: decoded in each code page a drawing or a settings file
// may declare, what decodes must encode again to the same text.
#include <string>

#include "platform/codepage.h"
#include "targets.h"

namespace tarsel::fuzz {

void FuzzCodePages(Input input) {
    const std::string_view bytes = AsText(input);
    const bool valid = platform::IsValidUtf8(bytes);
    if (valid != platform::DecodeCodePage(bytes, platform::kCodePageUtf8).has_value())
        Broken("code_pages", "UTF-8 validity and decoding disagree");
    for (unsigned codePage : {platform::kCodePageShiftJis, 1252u, 1250u, 1251u, 936u, 949u, 950u,
                              platform::kCodePageUtf8}) {
        const auto text = platform::DecodeCodePage(bytes, codePage);
        if (!text) continue;
        if (!platform::IsValidUtf8(*text)) Broken("code_pages", "decoding gave invalid UTF-8");
        const auto encoded = platform::EncodeCodePage(*text, codePage);
        if (!encoded) Broken("code_pages", "decoded text does not encode again");
        if (platform::DecodeCodePage(*encoded, codePage) != text)
            Broken("code_pages", "decoded text does not survive encoding and decoding");
    }
    (void)platform::Utf8CodePoints(bytes);
}

}  // namespace tarsel::fuzz
