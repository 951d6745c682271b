/* Preloaded into Wine's 64-bit loader where the kernel's address
 * randomisation cannot be turned off (scripts/wine-env.bash builds it and
 * says when). The loader sits at 0x7d000000 and the kernel puts its heap
 * anywhere in the gigabyte after it; a heap that starts just below Windows'
 * shared user data at 0x7ffe0000 grows over it before Wine maps that page,
 * and the program ends at once with exit status 1, the status of a failed
 * test. So before Wine runs, a loader whose heap starts within reach of that
 * page starts itself again, same process, same arguments and environment,
 * and the kernel places the heap anew. Every Wine process the loader starts
 * inherits the preload. Nothing else is touched: any other program, or a
 * loader whose heap is elsewhere, runs as it is. */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const unsigned long kSharedUserData = 0x7ffe0000;
/* The loader's heap is about 130 KB when Wine maps the page; 16 MB of reach
 * costs a restart in about one start in sixty. */
static const unsigned long kReach = 16ul << 20;
static const int kMostStarts = 16;
static const char kStartsVar[] = "ORVANT_HEAP_GUARD_STARTS";

/* Where the kernel put this process's heap: field 47 of /proc/self/stat.
 * Read without the C library's heap, which must not move first. */
static unsigned long HeapStart(void) {
  char text[2048];
  int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return 0;
  ssize_t n = read(fd, text, sizeof text - 1);
  close(fd);
  if (n <= 0) return 0;
  text[n] = '\0';
  char *field = strrchr(text, ')'); /* the name before it may hold spaces */
  if (field == NULL) return 0;
  for (int number = 2; number < 47; ++number) {
    field = strchr(field + 1, ' ');
    if (field == NULL) return 0;
  }
  return strtoul(field + 1, NULL, 10);
}

__attribute__((constructor)) static void KeepHeapOffSharedUserData(int argc, char **argv) {
  (void)argc;
  unsigned long start = HeapStart();
  if (start == 0 || start >= kSharedUserData + 0x1000 || start + kReach <= kSharedUserData) {
    unsetenv(kStartsVar);
    return;
  }
  const char *starts = getenv(kStartsVar);
  int done = starts != NULL ? atoi(starts) : 0;
  if (done + 1 >= kMostStarts) {
    fprintf(stderr, "wine-heap-guard: the heap starts at %#lx, within reach of %#lx, after %d starts; going on\n",
            start, kSharedUserData, done + 1);
    return;
  }
  char next[16];
  snprintf(next, sizeof next, "%d", done + 1);
  setenv(kStartsVar, next, 1);
  execv("/proc/self/exe", argv);
  /* Could not start again: go on, as without the guard. */
  unsetenv(kStartsVar);
}
