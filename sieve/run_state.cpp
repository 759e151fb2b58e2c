// SPDX-License-Identifier: MIT
// Storage of the run's shared record, apart from the driver so the sieve and
// count routines can be exercised alone.
#include "sieve/run_state.h"

RunStateRecord RunState;
