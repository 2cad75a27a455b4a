// The deliverable as the appliance's loader sees it: its class, machine and
// the shared libraries it asks for.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string read_file(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

template <typename T>
bool read_at(const std::string& image, std::uint64_t offset, T& value) {
  if (offset > image.size() || image.size() - offset < sizeof value)
    return false;
  std::memcpy(&value, image.data() + static_cast<std::size_t>(offset), sizeof value);
  return true;
}

// The DT_NEEDED names of an ELF image of one class.
template <typename Ehdr, typename Phdr, typename Dyn>
std::vector<std::string> needed_libraries(const std::string& image) {
  Ehdr header;
  std::vector<Phdr> segments;
  if (!read_at(image, 0, header))
    return {};
  for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
    Phdr segment;
    if (!read_at(image, header.e_phoff + i * header.e_phentsize, segment))
      return {};
    segments.push_back(segment);
  }
  auto file_offset = [&](std::uint64_t address) -> std::uint64_t {
    for (const Phdr& s : segments)
      if (s.p_type == PT_LOAD && address >= s.p_vaddr && address < s.p_vaddr + s.p_filesz)
        return address - s.p_vaddr + s.p_offset;
    return image.size();
  };
  std::vector<Dyn> entries;
  std::uint64_t strtab = 0;
  for (const Phdr& s : segments) {
    if (s.p_type != PT_DYNAMIC)
      continue;
    for (std::uint64_t off = s.p_offset; off + sizeof(Dyn) <= s.p_offset + s.p_filesz; off += sizeof(Dyn)) {
      Dyn entry;
      if (!read_at(image, off, entry) || entry.d_tag == DT_NULL)
        break;
      if (entry.d_tag == DT_STRTAB)
        strtab = entry.d_un.d_ptr;
      entries.push_back(entry);
    }
  }
  std::vector<std::string> names;
  for (const Dyn& entry : entries)
    if (entry.d_tag == DT_NEEDED) {
      std::uint64_t at = file_offset(strtab) + entry.d_un.d_val;
      names.push_back(at < image.size() ? std::string(image.c_str() + static_cast<std::size_t>(at)) : "?");
    }
  return names;
}

TEST(Deliverable, ClassAndMachineOfThisBuild) {
  std::string image = read_file(UNITINFO_BINARY);
  ASSERT_GE(image.size(), sizeof(Elf64_Ehdr));
  ASSERT_EQ(image.compare(0, SELFMAG, ELFMAG), 0);
  Elf32_Half machine;
  ASSERT_TRUE(read_at(image, offsetof(Elf32_Ehdr, e_machine), machine));
  if (sizeof(void*) == 4) {
    EXPECT_EQ(image[EI_CLASS], ELFCLASS32);
    EXPECT_EQ(machine, EM_386);
  } else {
    EXPECT_EQ(image[EI_CLASS], ELFCLASS64);
    EXPECT_EQ(machine, EM_X86_64);
  }
  EXPECT_EQ(image[EI_DATA], ELFDATA2LSB);
}

TEST(Deliverable, NeedsLibcAlone) {
  if (!UNITINFO_STATIC_RUNTIME)
    GTEST_SKIP() << "this build links the C++ runtime as a shared library";
  std::string image = read_file(UNITINFO_BINARY);
  std::vector<std::string> needed =
      image.size() > EI_CLASS && image[EI_CLASS] == ELFCLASS32
          ? needed_libraries<Elf32_Ehdr, Elf32_Phdr, Elf32_Dyn>(image)
          : needed_libraries<Elf64_Ehdr, Elf64_Phdr, Elf64_Dyn>(image);
  EXPECT_EQ(needed, std::vector<std::string>{"libc.so.6"});
}

}  // namespace
