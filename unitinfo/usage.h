// The usage listing, made from the option table.
#pragma once

#include <cstdio>

void write_usage(std::FILE* out, const char* program_name);

// Prints the listing on standard output; returns 0.
int print_usage(const char* program_name);
