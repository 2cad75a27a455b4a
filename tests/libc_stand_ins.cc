// Test programs of the appliance build only, never unitinfo itself. They
// carry this machine's libstdc++ and libgcc, which were built against a newer
// C library than the appliance's and ask it for three things that the older
// one lacks. Each stand-in below is built only where the sysroot's C library
// does not declare the real one.

#include <elf.h>
#include <link.h>
#include <sys/random.h>

#include <algorithm>
#include <cstddef>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

static_assert(sizeof(void*) == 4, "the stand-ins are for the 32-bit x86 build");

#ifdef UNITINFO_STAND_IN_SINGLE_THREADED
// Tells libstdc++ whether it may skip atomic operations. 0, "there may be
// other threads", is always safe: the atomic path is merely slower.
extern "C" {
char __libc_single_threaded = 0;
}
#endif

#ifdef UNITINFO_STAND_IN_ARC4RANDOM
// std::random_device's source.
extern "C" std::uint32_t arc4random() {
  std::uint32_t value;
  while (getrandom(&value, sizeof value, 0) != static_cast<ssize_t>(sizeof value))
    if (errno != EINTR)
      std::abort();
  return value;
}
#endif

#ifdef UNITINFO_STAND_IN_DL_FIND_OBJECT
namespace {

// What the unwinder reads of the result, in the C library's layout for
// 32-bit x86: the mapping, and the exception-handling frame header with its
// data base.
struct found_object {
  unsigned long long flags;
  void* map_start;
  void* map_end;
  void* link_map;
  void* eh_frame;
  void* eh_dbase;
  unsigned int eh_dbase_pad;
  unsigned long long reserved[7];
};
static_assert(offsetof(found_object, eh_frame) == 20 && offsetof(found_object, eh_dbase) == 24);

struct search {
  std::uintptr_t address;
  found_object* result;
};

// The data base is the object's global offset table, as the loader has
// relocated it in the dynamic section.
void* global_offset_table(const dl_phdr_info& info, const Elf32_Phdr& dynamic) {
  for (auto* entry = reinterpret_cast<const Elf32_Dyn*>(info.dlpi_addr + dynamic.p_vaddr);
       entry->d_tag != DT_NULL; ++entry)
    if (entry->d_tag == DT_PLTGOT)
      return reinterpret_cast<void*>(entry->d_un.d_ptr);
  return nullptr;
}

int visit(dl_phdr_info* info, std::size_t, void* data) {
  auto* s = static_cast<search*>(data);
  bool inside = false;
  std::uintptr_t low = UINTPTR_MAX;
  std::uintptr_t high = 0;
  const Elf32_Phdr* eh_frame = nullptr;
  const Elf32_Phdr* dynamic = nullptr;
  for (Elf32_Half i = 0; i < info->dlpi_phnum; ++i) {
    const Elf32_Phdr& segment = info->dlpi_phdr[i];
    std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (segment.p_type == PT_LOAD) {
      inside = inside || (s->address >= start && s->address - start < segment.p_memsz);
      low = std::min(low, start);
      high = std::max(high, start + segment.p_memsz);
    } else if (segment.p_type == PT_GNU_EH_FRAME) {
      eh_frame = &segment;
    } else if (segment.p_type == PT_DYNAMIC) {
      dynamic = &segment;
    }
  }
  if (!inside)
    return 0;
  *s->result = found_object{};
  s->result->map_start = reinterpret_cast<void*>(low);
  s->result->map_end = reinterpret_cast<void*>(high);
  if (eh_frame != nullptr)
    s->result->eh_frame = reinterpret_cast<void*>(info->dlpi_addr + eh_frame->p_vaddr);
  if (dynamic != nullptr)
    s->result->eh_dbase = global_offset_table(*info, *dynamic);
  return 1;
}

}  // namespace

// The unwinder's way to the frames of the object that holds an address; it
// has no other, so every thrown exception passes through here.
extern "C" int _dl_find_object(void* address, found_object* result) {
  search s{reinterpret_cast<std::uintptr_t>(address), result};
  return dl_iterate_phdr(visit, &s) != 0 ? 0 : -1;
}
#endif
