# expect: total=23 exec=14 comment=6 blank=3
        .section .text
        .globl  _start

/*
 * Entry point: writes a greeting and exits.

 */
_start:
        movq    $1, %rax            # write
        movq    $1, %rdi            # to stdout
        leaq    msg(%rip), %rsi
        movq    $len, %rdx
        syscall

        // exit(0)
        movq    $60, %rax
        xorq    %rdi, %rdi
        syscall

        .section .rodata
msg:    .ascii  "hello # not a comment\n"
        .set    len, . - msg
