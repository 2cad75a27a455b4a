// Exclusive locks on whole directories, so that no lock file is left behind.
#pragma once

// Whether a link at the directory's own name may be followed: the system's
// /var/run is often one, while a link at the partition's ".info" would lead
// the save off the partition.
enum directory_link { follow_link, refuse_link };

// Opens the directory `path` and waits for an exclusive lock on it. Returns
// the descriptor that holds the lock, or -1 when the lock cannot be had.
int lock_directory(const char* path, directory_link link);

// Releases a lock that lock_directory took; -1 is ignored.
void unlock_directory(int lock);
