// SPDX-License-Identifier: MIT
// The sieve array's two timed phases: the fill that gives every byte its
// starting state and the marking loop that strikes out odd composites.
#pragma once

// Fills RunState.SieveArray (ArraySize bytes of any prior contents): 1 for
// 0, 1 and every even index from 4, 0 for 2 and every odd index.
void InitializeArray();
// Strikes out the odd multiples of each odd prime p from p*p on and counts
// every mark in RunState.LoopCounter, repeats included.
void MarkComposites();
