// The Win32 implementation of the platform layer.
#pragma once

#include "platform/platform.h"

namespace tu::win32 {

// The one instance for the running process.
Platform& platform();

}  // namespace tu::win32
