// SM3 compression rounds for x86-64 with BMI2, over message words that
// sm3_avx512.cpp has expanded beforehand for up to 16 blocks at a time.
//
// void OrvaneSm3RoundsBmi2(uint32_t state[8], const uint32_t* w, size_t blocks);
//
// The expansion is laid out word-major: W_j of block l at w[16 * j + l]
// (j < 68), W'_j = W_j ^ W_{j+4} at w[16 * (68 + j) + l]. Blocks 0 ..
// blocks-1 are compressed in order into state.
//
// The serial chain of SM3 runs through E: E' = P0(TT2) with
// TT2 = GG(E, F, G) + H + W_j + SS1 and SS1 = ((A <<< 12) + E + T_j) <<< 7.
// From round 16 on, GG = G ^ (E & (F ^ G)). E = x ^ (u <<< 17) with u the
// previous TT2 and x = u ^ (u <<< 9), so the AND is spread over x and
// u <<< 17: GG = (G ^ ((u <<< 17) & M)) ^ (x & M) with M = F ^ G does not
// wait for the last XOR of P0. A round is then six dependent single-cycle
// steps (P0's three, the add and rotate of SS1, the last add of TT2)
// instead of seven.
//
// Registers: r8d-r15d the eight words A..H (rotating roles), eax A <<< 12
// then SS2, ebx SS1, ecx GG or FF, edx x then GG, edi u <<< 17, esi scratch,
// rbp the current block's lane of the expansion.

        .text
        .globl  OrvaneSm3RoundsBmi2
        .hidden OrvaneSm3RoundsBmi2
        .type   OrvaneSm3RoundsBmi2, @function

// eax = SS2, ebx = SS1.
.macro SS tj, a, e
        rorx    $20, \a, %eax
        leal    \tj(%rax), %ebx
        addl    \e, %ebx
        rorx    $25, %ebx, %ebx
        xorl    %ebx, %eax
.endm

// h = TT2 from GG in gg; d = TT1 from FF in ecx; B <<< 9, F <<< 19; then
// x and u <<< 17 of the new u = TT2, and E' = P0(TT2) in h.
.macro FINISH j, b, d, f, h, gg
        addl    64*\j(%rbp), \h
        addl    \gg, \h
        addl    %ebx, \h
        addl    64*(68+\j)(%rbp), \d
        addl    %ecx, \d
        addl    %eax, \d
        rorx    $23, \b, \b
        rorx    $13, \f, \f
        rorx    $23, \h, %edx
        rorx    $15, \h, %edi
        xorl    \h, %edx
        movl    %edx, \h
        xorl    %edi, \h
.endm

// Rounds 0-15: FF = A ^ B ^ C, GG = E ^ F ^ G.
.macro ROUND_LOW j, tj, a, b, c, d, e, f, g, h
        movl    \f, %edx
        xorl    \g, %edx
        xorl    \e, %edx
        SS      \tj, \a, \e
        movl    \a, %ecx
        xorl    \b, %ecx
        xorl    \c, %ecx
        FINISH  \j, \b, \d, \f, \h, %edx
.endm

// Rounds 16-63: FF = majority(A, B, C), GG = G ^ (E & (F ^ G)) spread
// over the terms of E.
.macro ROUND_HIGH j, tj, a, b, c, d, e, f, g, h
        movl    \f, %ecx
        xorl    \g, %ecx
        andl    %ecx, %edi
        andl    %ecx, %edx
        xorl    \g, %edi
        xorl    %edi, %edx
        SS      \tj, \a, \e
        movl    \a, %ecx
        orl     \b, %ecx
        andl    \c, %ecx
        movl    \a, %esi
        andl    \b, %esi
        orl     %esi, %ecx
        FINISH  \j, \b, \d, \f, \h, %edx
.endm

OrvaneSm3RoundsBmi2:
        pushq   %rbx
        pushq   %rbp
        pushq   %r12
        pushq   %r13
        pushq   %r14
        pushq   %r15
        subq    $56, %rsp               // 0: words at block start, 32: state, 40: blocks left
        movq    %rdi, 32(%rsp)
        movq    %rdx, 40(%rsp)
        movq    %rsi, %rbp
        movl    0(%rdi), %r8d
        movl    4(%rdi), %r9d
        movl    8(%rdi), %r10d
        movl    12(%rdi), %r11d
        movl    16(%rdi), %r12d
        movl    20(%rdi), %r13d
        movl    24(%rdi), %r14d
        movl    28(%rdi), %r15d
        testq   %rdx, %rdx
        jz      .Ldone

.Lblock:
        movl    %r8d, 0(%rsp)
        movl    %r9d, 4(%rsp)
        movl    %r10d, 8(%rsp)
        movl    %r11d, 12(%rsp)
        movl    %r12d, 16(%rsp)
        movl    %r13d, 20(%rsp)
        movl    %r14d, 24(%rsp)
        movl    %r15d, 28(%rsp)
        ROUND_LOW 0, 2043430169, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 1, -208106958, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_LOW 2, -416213915, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 3, -832427829, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 4, -1664855657, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 5, 965255983, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_LOW 6, 1930511966, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 7, -433943364, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 8, -867886727, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 9, -1735773453, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_LOW 10, 823420391, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 11, 1646840782, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 12, -1001285732, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 13, -2002571463, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_LOW 14, 289824371, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 15, 579648742, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 16, -1651869049, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 17, 991229199, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 18, 1982458398, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 19, -330050500, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 20, -660100999, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 21, -1320201997, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 22, 1654563303, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 23, -985840690, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 24, -1971681379, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 25, 351604539, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 26, 703209078, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 27, 1406418156, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 28, -1482130984, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 29, 1330705329, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 30, -1633556638, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 31, 1027854021, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 32, 2055708042, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 33, -183551212, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 34, -367102423, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 35, -734204845, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 36, -1468409689, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 37, 1358147919, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 38, -1578671458, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 39, 1137624381, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 40, -2019718534, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 41, 255530229, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 42, 511060458, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 43, 1022120916, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 44, 2044241832, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 45, -206483632, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 46, -412967263, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 47, -825934525, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 48, -1651869049, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 49, 991229199, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 50, 1982458398, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 51, -330050500, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 52, -660100999, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 53, -1320201997, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 54, 1654563303, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 55, -985840690, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 56, -1971681379, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 57, 351604539, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 58, 703209078, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 59, 1406418156, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 60, -1482130984, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 61, 1330705329, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        ROUND_HIGH 62, -1633556638, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 63, 1027854021, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        xorl    0(%rsp), %r8d
        xorl    4(%rsp), %r9d
        xorl    8(%rsp), %r10d
        xorl    12(%rsp), %r11d
        xorl    16(%rsp), %r12d
        xorl    20(%rsp), %r13d
        xorl    24(%rsp), %r14d
        xorl    28(%rsp), %r15d
        addq    $4, %rbp
        decq    40(%rsp)
        jnz     .Lblock

        movq    32(%rsp), %rdi
        movl    %r8d, 0(%rdi)
        movl    %r9d, 4(%rdi)
        movl    %r10d, 8(%rdi)
        movl    %r11d, 12(%rdi)
        movl    %r12d, 16(%rdi)
        movl    %r13d, 20(%rdi)
        movl    %r14d, 24(%rdi)
        movl    %r15d, 28(%rdi)
.Ldone:
        addq    $56, %rsp
        popq    %r15
        popq    %r14
        popq    %r13
        popq    %r12
        popq    %rbp
        popq    %rbx
        ret
        .size   OrvaneSm3RoundsBmi2, .-OrvaneSm3RoundsBmi2

        .section .note.GNU-stack,"",@progbits
