// The fixed places of the unit identity record on the appliance.
#pragma once

inline constexpr char mount_point[] = "/mnt/bootloader";
inline constexpr char info_dir[] = "/mnt/bootloader/.info";
inline constexpr char record_path[] = "/mnt/bootloader/.info/.data";
inline constexpr char cache_dir[] = "/var/run/tesra";
inline constexpr char cache_path[] = "/var/run/tesra/.cf_data";
