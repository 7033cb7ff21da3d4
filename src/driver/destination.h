#ifndef RECSLICE_DESTINATION_H
#define RECSLICE_DESTINATION_H

#include "platform/platform.h"

namespace recslice {

// The message, with one %s for Destfile, that refuses a destination
// open_destination would not open.
const char *refusal_for(DestOpen verdict);

// If an interrupt has come (while a file was opening, say), writes message
// to stderr and ends the process as that interrupt would.
void end_if_interrupted(const char *message);

} // namespace recslice

#endif
