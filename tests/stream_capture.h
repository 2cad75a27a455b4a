// What a writer function puts on a stream, as exact bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

template <typename Write>
std::string written_by(Write write) {
  char* buffer = nullptr;
  std::size_t size = 0;
  std::FILE* stream = open_memstream(&buffer, &size);
  write(stream);
  std::fclose(stream);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}
