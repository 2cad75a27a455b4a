// One run at a time on a unit: the mounts, copies and saves of two runs
// must not interleave, whether or not the cache directory exists.
#pragma once

// Waits, with no time limit, for the exclusive lock on /var/run and returns
// its descriptor, or -1 when it cannot be taken at all (the run then goes
// on without it).
int take_run_lock();

void release_run_lock(int lock);
