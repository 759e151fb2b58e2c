// SPDX-License-Identifier: MIT
// The marking walk written with local variables only: the floor that the
// marking as built is measured against.
#pragma once

#include <cstdint>

uint32_t MarkWithLocals(unsigned char* array, uint32_t size);
