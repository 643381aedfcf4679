// Writing UTF-8, the program's one text encoding inside: from code points decoded out of a
// file's own encoding (UTF-16, DXF \U+ escapes) back into the text we hold.
#pragma once

#include <string>

namespace tarsel::text {

// Appends the UTF-8 form of cp (U+0000..U+10FFFF; callers have refused surrogates).
void AppendUtf8(std::string& out, char32_t cp);

}  // namespace tarsel::text
