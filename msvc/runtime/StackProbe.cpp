// The stack probe the compiler calls before a frame of a page or more: touches each page from
// the top down, so that the guard page grows the stack one page at a time. RAX holds the frame's
// size; every register is kept.
extern "C" __attribute__((naked)) void __chkstk() {
    __asm__ volatile(
        "push %rcx\n\t"
        "push %rax\n\t"
        "cmp $0x1000, %rax\n\t"
        "lea 24(%rsp), %rcx\n\t"
        "jb 1f\n"
        "2:\n\t"
        "sub $0x1000, %rcx\n\t"
        "test %rcx, (%rcx)\n\t"
        "sub $0x1000, %rax\n\t"
        "cmp $0x1000, %rax\n\t"
        "ja 2b\n"
        "1:\n\t"
        "sub %rax, %rcx\n\t"
        "test %rcx, (%rcx)\n\t"
        "pop %rax\n\t"
        "pop %rcx\n\t"
        "ret");
}
