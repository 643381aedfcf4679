// The Windows and COM headers, for every file of the Windows side that also uses the
// automation helpers: <wingdi.h> defines GetObject as a macro (GetObjectW), which would
// silently rename cadlink::GetObject in any file that includes both.
#pragma once

#include <oaidl.h>
#include <objbase.h>
#include <oleauto.h>
#include <windows.h>

#ifdef GetObject
#undef GetObject
#endif
