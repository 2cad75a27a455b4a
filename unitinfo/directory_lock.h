// Exclusive locks on whole directories, so that no lock file is left behind.
#pragma once

// Opens the directory `path` and waits for an exclusive lock on it. Returns
// the descriptor that holds the lock, or -1 when the lock cannot be had.
int lock_directory(const char* path);

// Releases a lock that lock_directory took; -1 is ignored.
void unlock_directory(int lock);
