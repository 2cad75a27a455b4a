// What the program prints as the outcome of a run, with or without -d.
#pragma once

#include <string>

inline const std::string saved_line = "information saved!\n\n";
inline const std::string invalid_line = "invalid data file!\n";
inline const std::string save_failed_line = "fail to save the information!\n";
inline const std::string need_all_line = "data file is invalid, please enter all information.\n";
