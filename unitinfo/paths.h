// The fixed places of the unit identity record on the appliance, each built
// from the mount point or the cache directory.
#pragma once

#include "fixed_text.h"

// The boot partition is mounted on a folder of /mnt: a ".info" that lies on
// /mnt's own filesystem was made beneath the mount point, not on the
// partition.
inline constexpr fixed_text mount_parent = "/mnt";
inline constexpr auto mount_point = mount_parent + "/bootloader";
inline constexpr auto info_dir = mount_point + "/.info";

// The save's files, by their names in ".info" and by their paths.
inline constexpr fixed_text record_name = ".data";
// The previous record while a save is under way, and once it is done.
inline constexpr auto transient_backup_name = record_name + ".ba1";
inline constexpr auto backup_name = record_name + ".bak";
// Where a save writes the new record before it renames it over the old.
inline constexpr auto temp_record_name = record_name + ".new";

inline constexpr auto record_path = info_dir + "/" + record_name;
inline constexpr auto transient_backup_path = info_dir + "/" + transient_backup_name;
inline constexpr auto backup_path = info_dir + "/" + backup_name;

// Runs take turns through a lock on this folder, which every run can open
// whether or not the cache directory exists, and which no mount holds.
inline constexpr fixed_text run_lock_dir = "/var/run";
inline constexpr auto cache_dir = run_lock_dir + "/tesra";
inline constexpr auto cache_path = cache_dir + "/.cf_data";
