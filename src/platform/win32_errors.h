#pragma once

#include <windows.h>

#include <vector>

#include "platform/runtime_error.h"

namespace platform {

// Translates a Win32 error code into the tool's runtime-error numbering. Codes
// without a classic number keep their HRESULT form, which is negative and so
// never collides with the numbers that callers tell apart.
RuntimeError RuntimeErrorFromWin32(DWORD code);

// The runtime error of a classic number, with its classic description and the
// system's code that it stands for, if any.
RuntimeError ClassicRuntimeError(std::int32_t number, DWORD code = 0);

// A file that the tool will not act on, since it is a link, has more than one
// name or does not lie where its path says.
RuntimeError RefusedLink();

// Every runtime error of the classic numbering that the translation gives, with
// the tool's own description, each once.
std::vector<RuntimeError> ClassicRuntimeErrors();

// A failure with the operation that met it named, for example
// "Deleting 'V3_Zent.avi': Access is denied. (5)"; a failure that did not come
// from the system is left as it is.
Result<void> WithOperation(Result<void> result, const std::wstring& operation);

inline RuntimeError LastRuntimeError() { return RuntimeErrorFromWin32(::GetLastError()); }

// The system's own text for a Win32 error code, without the trailing line break.
std::wstring SystemMessage(DWORD code);

}  // namespace platform
