// The fixed places of the unit identity record on the appliance, each built
// from the mount point or the cache directory.
#pragma once

#include "fixed_text.h"

inline constexpr fixed_text mount_point = "/mnt/bootloader";
inline constexpr auto info_dir = mount_point + "/.info";
inline constexpr auto record_path = info_dir + "/.data";
// The previous record while a save is under way, and once it is done.
inline constexpr auto transient_backup_path = record_path + ".ba1";
inline constexpr auto backup_path = record_path + ".bak";
// Where a save writes the new record before it renames it over the old.
inline constexpr auto temp_record_path = record_path + ".new";

inline constexpr fixed_text cache_dir = "/var/run/tesra";
inline constexpr auto cache_path = cache_dir + "/.cf_data";
