// Linked into a test build of the program: the global allocation functions
// refuse the N-th allocation made after start-up, N taken from the
// environment variable TOPOPLAN_FAIL_ALLOCATION, and say so on standard
// error. Every other allocation is served by malloc.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

// Allocations left before the refused one; 0 while disarmed.
long remaining = 0;
long refusedAt = 0;

// Armed once the libraries' own start-up is done, so that the count runs
// over the program's allocations.
[[maybe_unused]] const bool armed = [] {
  const char* setting = getenv("TOPOPLAN_FAIL_ALLOCATION");
  if (setting != nullptr) remaining = refusedAt = atol(setting);
  return true;
}();

void* allocate(std::size_t size) {
  if (remaining > 0 && --remaining == 0) {
    char note[64];
    const int length =
        std::snprintf(note, sizeof note, "allocation %ld refused\n", refusedAt);
    if (write(STDERR_FILENO, note, static_cast<size_t>(length)) < 0) {
      // Nothing more can be said; the refusal still happens.
    }
    throw std::bad_alloc();
  }
  void* block = malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { free(block); }
void operator delete[](void* block) noexcept { free(block); }
void operator delete(void* block, std::size_t) noexcept { free(block); }
void operator delete[](void* block, std::size_t) noexcept { free(block); }
