#ifndef RECSLICE_DESTINATION_H
#define RECSLICE_DESTINATION_H

#include <cstdio>

namespace recslice {

// If an interrupt has come (while a file was opening, say), writes message
// to stderr and ends the process as that interrupt would.
void end_if_interrupted(const char *message);

// Opens Destfile for a run that reads source, refused before anything in
// it is cut where it is the source, the file or pipe of the console's own
// streams, or a file another run writes: the open stream, or null after one
// message on stderr. An interrupt while it opens ends the process after
// interrupted_message.
std::FILE *open_checked_destination(const char *Destfile, std::FILE *source,
                                    const char *interrupted_message);

} // namespace recslice

#endif
