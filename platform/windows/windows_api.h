// SPDX-License-Identifier: MIT
// The Windows headers as every file of this layer includes them: the kernel
// library's declarations only, and no min and max macros.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
