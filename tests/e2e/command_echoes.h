// What the program prints with -d: the echo of each shell command line, as
// the shell receives it, and the lines of the load and the save.
#pragma once

#include <string>

inline const std::string umount_echo = "umount /mnt/bootloader > /dev/null 2>&1 \n";
inline const std::string mount_echo = "mount /mnt/bootloader > /dev/null 2>&1 \n";
inline const std::string mkdir_echo = "mkdir -p /mnt/bootloader/.info > /dev/null 2>&1 \n";
inline const std::string cache_copy_echo =
    "cp -f /mnt/bootloader/.info/.data /var/run/tesra/.cf_data > /dev/null 2>&1 \n";
inline const std::string transient_backup_echo =
    "cp -f /mnt/bootloader/.info/.data /mnt/bootloader/.info/.data.ba1  > /dev/null > /dev/null "
    "2>&1 \n";
inline const std::string backup_move_echo =
    "mv /mnt/bootloader/.info/.data.ba1 /mnt/bootloader/.info/.data.bak > /dev/null > /dev/null "
    "2>&1 \n";

// Filling the cached copy from a boot partition that mounts.
inline const std::string fill_echoes =
    umount_echo + mount_echo + mkdir_echo + cache_copy_echo + umount_echo;
// Filling it when the mount fails: no directory line.
inline const std::string fill_echoes_mount_failed =
    umount_echo + mount_echo + cache_copy_echo + umount_echo;

// A save that writes the record in full.
inline const std::string full_save_lines =
    umount_echo + mount_echo + mkdir_echo + transient_backup_echo + backup_move_echo +
    "old data file saved with .bak extension\n" + cache_copy_echo + umount_echo +
    "data file saved.\n";
