/* Two C library functions that the statically linked C++ runtime calls and that
   glibc added only in 2.35 (_dl_find_object, which GCC's unwinder uses to find
   the exception tables of the code it unwinds) and 2.36 (arc4random, behind
   std::random_device). Defined here, they bind inside the plug-in and are never
   imported, so the plug-in loads with glibc 2.34. Linked only into the plug-in
   built with the static runtime (the version script keeps them local), never into
   programs, where they would take the C library's place for other libraries. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <sys/random.h>
#include <unistd.h>

struct FindRequest {
    uintptr_t address;
    struct dl_find_object* result;
    int found;
};

/* The loaded object whose segments hold the address: the span of its segments,
   its exception-frame header segment, and (32-bit x86) the base of data-relative
   encodings, its GOT, which the loader has already relocated in memory. */
static int FindIn(struct dl_phdr_info* info, size_t size, void* data) {
    (void)size;
    struct FindRequest* request = data;
    uintptr_t low = UINTPTR_MAX, high = 0;
    int inside = 0;
    const ElfW(Phdr)* frames = NULL;
    const ElfW(Phdr)* dynamic = NULL;
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)* p = &info->dlpi_phdr[i];
        if (p->p_type == PT_LOAD) {
            const uintptr_t start = info->dlpi_addr + p->p_vaddr, end = start + p->p_memsz;
            if (start < low) low = start;
            if (end > high) high = end;
            if (request->address >= start && request->address < end) inside = 1;
        } else if (p->p_type == PT_GNU_EH_FRAME) {
            frames = p;
        } else if (p->p_type == PT_DYNAMIC) {
            dynamic = p;
        }
    }
    if (!inside) return 0;
    struct dl_find_object* r = request->result;
    memset(r, 0, sizeof *r);
    r->dlfo_map_start = (void*)low;
    r->dlfo_map_end = (void*)high;
    if (frames) r->dlfo_eh_frame = (void*)(info->dlpi_addr + frames->p_vaddr);
#if DLFO_STRUCT_HAS_EH_DBASE
    if (dynamic) {
        for (const ElfW(Dyn)* d = (const ElfW(Dyn)*)(info->dlpi_addr + dynamic->p_vaddr); d->d_tag != DT_NULL; ++d) {
            if (d->d_tag == DT_PLTGOT) {
                r->dlfo_eh_dbase = (void*)d->d_un.d_ptr;
                break;
            }
        }
    }
#else
    (void)dynamic;
#endif
    request->found = 1;
    return 1;
}

int _dl_find_object(void* address, struct dl_find_object* result) {
    struct FindRequest request = {(uintptr_t)address, result, 0};
    dl_iterate_phdr(FindIn, &request);
    if (!request.found) return -1;
    /* Outside the loader's lock, which dl_iterate_phdr holds. */
    Dl_info where;
    void* map = NULL;
    if (dladdr1(address, &where, &map, RTLD_DL_LINKMAP)) result->dlfo_link_map = map;
    return 0;
}

uint32_t arc4random(void) {
    uint32_t value;
    for (;;) {
        const ssize_t n = getrandom(&value, sizeof value, 0);
        if (n == (ssize_t)sizeof value) return value;
        if (n < 0 && errno != EINTR) break;
    }
    /* Kernels older than 3.17 have no getrandom. */
    const int fd = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        const ssize_t n = read(fd, &value, sizeof value);
        close(fd);
        if (n == (ssize_t)sizeof value) return value;
    }
    /* No source of randomness at all: glibc's own arc4random ends the process too. */
    abort();
}
