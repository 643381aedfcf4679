// "文字回転": turns one picked single-line text about its own anchor by the "角度" field.
#pragma once

#include "commands/cad_session.h"

namespace tarsel::commands {

inline constexpr const char* kTextRotationPrompt = "回転するTEXTを選択 : ";
inline constexpr const char* kNotTextMessage = "TEXTではありません．";

// Button2's click. A rotation field that does not convert turns the text by 0.
void Button2Click(CadSession& session);

}  // namespace tarsel::commands
