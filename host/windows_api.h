// SPDX-License-Identifier: MIT
// The Windows headers as every Windows file of the door includes them: the
// kernel library's declarations only, and no min and max macros. (The
// benchmark's own layer keeps its copy: the two doors share nothing.)
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
