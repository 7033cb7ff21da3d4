#include "spinner.h"

namespace recslice {

SpinState spinner = {nullptr, 0, 0, {}};

void spin_flush()
{
    if (spinner.pending == 0)
        return;
    // Nothing can be reported about a console that cannot be written.
    (void)std::fwrite(spinner.queued, 1, spinner.pending, spinner.console ? spinner.console : stderr);
    spinner.pending = 0;
}

void spin_to(std::FILE *console)
{
    spin_flush();
    spinner.console = console;
}

} // namespace recslice
