// One run of the program, from its argument vector to its exit status.
#pragma once

int unitinfo_main(int argc, char** argv);
