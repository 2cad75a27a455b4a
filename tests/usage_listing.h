// The usage listing as the program prints it, after the program name as it
// was invoked.
#pragma once

#include <string>
#include <string_view>

inline std::string usage_listing(std::string_view program_name) {
  return std::string(program_name) +
         " [options] <IP address>\n"
         "options:\n"
         "-i|--info               show information\n"
         "-s|--serial     <arg>   set serial number\n"
         "-m|--model      <arg>   set model name\n"
         "-v|--variant    <arg>   set variant\n"
         "-o|--oem_id     <arg>   set oem id\n"
         "-w|--hw         <arg>   set CF card batch number\n"
         "-x|--macv       <arg>   set hardware version\n"
         "-B|--lbe                set LAN bypass flag\n"
         "-b|--lbd                reset LAN bypass flag\n"
         "-p|--pcode      <arg>   product code\n"
         "-h|--help               show these messages\n"
         "-d|--debug              print verbose information\n";
}
