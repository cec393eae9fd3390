/*
 * Preloaded into Wine's 32-bit processes when the kernel cannot run i386
 * binaries itself and wine-run hands them to qemu-user (qemu-i386-static
 * through binfmt_misc). It mends two places where qemu-user 7.2 differs from
 * the kernel that Wine relies on:
 *
 *  - mmap with MAP_FIXED_NOREPLACE: qemu passes the address on as a plain
 *    hint and returns memory elsewhere when the range is taken. Wine reserves
 *    its address space with such calls and then misplaces the shared user
 *    data page. Here a mapping that did not land at the requested address is
 *    undone and reported as EEXIST, as the kernel does.
 *  - the trap number in the signal context: qemu leaves it at -1, and Wine's
 *    SIGSEGV handler then turns every page fault (guard pages, probes inside
 *    exception handlers) into an illegal-instruction crash. The handler that
 *    Wine installs is wrapped so that it sees trap 14 (page fault) for a
 *    fault at an address and trap 13 (protection fault) otherwise.
 *
 * Built freestanding with gcc -m32 by wine-run (no i386 libc headers needed);
 * the libc symbols it uses are bound when the library is preloaded.
 */

typedef unsigned int size_t;

#define MAP_FIXED 0x10
#define MAP_FIXED_NOREPLACE 0x100000
#define ERRNO_EEXIST 17
#define SYS_OLD_MMAP 90 /* takes a pointer to its six arguments; byte offset */
#define SYS_MUNMAP 91
#define SIGNAL_SEGV 11
#define SA_SIGINFO_FLAG 4
#define SEGV_MAPERR_CODE 1
#define SEGV_ACCERR_CODE 2
#define TRAP_PAGE_FAULT 14
#define TRAP_PROTECTION_FAULT 13
#define TRAP_UNSET 0xffffffffu
#define UCONTEXT_GREGS_OFFSET 20 /* uc_flags, uc_link, uc_stack (12 bytes) */
#define GREG_TRAPNO 12
#define RTLD_NEXT_HANDLE ((void *)-1)

typedef char assume_ilp32[sizeof(void *) == 4 && sizeof(long) == 4 ? 1 : -1];

extern int *__errno_location(void);
extern void *dlsym(void *, const char *);

static long syscall1(long nr, long a)
{
    long ret;
    __asm__ volatile("int $0x80" : "=a"(ret) : "a"(nr), "b"(a) : "memory");
    return ret;
}

static long syscall2(long nr, long a, long b)
{
    long ret;
    __asm__ volatile("int $0x80" : "=a"(ret) : "a"(nr), "b"(a), "c"(b) : "memory");
    return ret;
}

void *mmap64(void *addr, size_t len, int prot, int flags, int fd, long long offset)
{
    int noReplace = (flags & MAP_FIXED_NOREPLACE) && !(flags & MAP_FIXED);
    long args[6] = { (long)addr, (long)len, prot, flags & ~MAP_FIXED_NOREPLACE, fd, (long)offset };
    long ret = syscall1(SYS_OLD_MMAP, (long)args);
    if ((unsigned long)ret > 0xfffff000ul) {
        *__errno_location() = (int)-ret;
        return (void *)-1;
    }
    if (noReplace && (void *)ret != addr) {
        syscall2(SYS_MUNMAP, ret, (long)len);
        *__errno_location() = ERRNO_EEXIST;
        return (void *)-1;
    }
    return (void *)ret;
}

void *mmap(void *addr, size_t len, int prot, int flags, int fd, long offset)
{
    return mmap64(addr, len, prot, flags, fd, offset);
}

struct SignalInfoHead { int signo, errnoValue, code; };

/* glibc's i386 struct sigaction */
struct UserSigaction {
    void (*handler)(int, struct SignalInfoHead *, void *);
    unsigned long mask[32];
    int flags;
    void (*restorer)(void);
};

typedef int (*SigactionFn)(int, const struct UserSigaction *, struct UserSigaction *);

static void (*wineSegvHandler)(int, struct SignalInfoHead *, void *);

static void SegvWithTrapNumber(int sig, struct SignalInfoHead *info, void *ucontext)
{
    unsigned long *gregs = (unsigned long *)((char *)ucontext + UCONTEXT_GREGS_OFFSET);
    if (gregs[GREG_TRAPNO] == TRAP_UNSET) {
        int atAddress = info->code == SEGV_MAPERR_CODE || info->code == SEGV_ACCERR_CODE;
        gregs[GREG_TRAPNO] = atAddress ? TRAP_PAGE_FAULT : TRAP_PROTECTION_FAULT;
    }
    wineSegvHandler(sig, info, ucontext);
}

int sigaction(int sig, const struct UserSigaction *act, struct UserSigaction *old)
{
    static SigactionFn next;
    if (!next) next = (SigactionFn)dlsym(RTLD_NEXT_HANDLE, "sigaction");
    if (sig != SIGNAL_SEGV || !act || !(act->flags & SA_SIGINFO_FLAG) || act->handler == SegvWithTrapNumber)
        return next(sig, act, old);
    struct UserSigaction wrapped = *act;
    wineSegvHandler = act->handler;
    wrapped.handler = SegvWithTrapNumber;
    return next(sig, &wrapped, old);
}
