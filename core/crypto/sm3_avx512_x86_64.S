// SM3 compression for x86-64 with BMI2 and AVX-512VL.
//
// void OrvaneSm3CompressAvx512(uint32_t state[8], const uint8_t* data, size_t blocks);
//
// The rounds run in general registers. The serial chain of SM3 runs
// through E: E' = P0(TT2) with TT2 = GG(E, F, G) + H + W_j + SS1 and
// SS1 = ((A <<< 12) + E + T_j) <<< 7. From round 16 on,
// GG = G ^ (E & (F ^ G)). E = x ^ (u <<< 17) with u the previous TT2 and
// x = u ^ (u <<< 9), so the AND is spread over x and u <<< 17:
// GG = (G ^ ((u <<< 17) & M)) ^ (x & M) with M = F ^ G does not wait for the
// last XOR of P0. A round is then six dependent single-cycle steps (P0's
// three, the add and rotate of SS1, the last add of TT2) instead of seven.
//
// The message expansion of the next block runs in XMM registers, four words
// at a time, between the rounds of the current block, so that it uses the
// vector units while the rounds use the integer ones. Its words W_0..W_67
// and W'_j = W_j ^ W_{j+4} go to one of two stack buffers (W_j at byte
// 4j, W'_j at 4(68 + j)) while the rounds read the other.
//
// Registers: r8d-r15d the eight words A..H (rotating roles), eax A <<< 12
// then SS2, ebx SS1, ecx GG or FF, edx x then GG, edi u <<< 17, esi scratch
// (and the address of the buffer being filled), rbp the buffer being read;
// xmm0-xmm3 the last sixteen expanded words, xmm4-xmm9 scratch, xmm15 the
// byte-swap mask.

        .set    WORDS, 0                // state words at block start
        .set    STATE, 32               // state pointer
        .set    LEFT, 40                // blocks left
        .set    DATA, 48                // next block to expand
        .set    BUF0, 64
        .set    BUF1, 64 + 576
        .set    FRAME, 64 + 2 * 576 + 8 // keeps rsp 16-byte aligned

        .section .rodata
        .balign 16
.Lbswap:
        .byte   3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12

        .text
        .globl  OrvaneSm3CompressAvx512
        .hidden OrvaneSm3CompressAvx512
        .type   OrvaneSm3CompressAvx512, @function

// insn off+4k(base), A..H for the eight words k = 0..7 (r8d .. r15d), and
// the other way round.
.macro FROM_WORDS insn, off, base
        .set    word, \off
        .irp    r, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        \insn   word(\base), \r
        .set    word, word + 4
        .endr
.endm

.macro TO_WORDS insn, off, base
        .set    word, \off
        .irp    r, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        \insn   \r, word(\base)
        .set    word, word + 4
        .endr
.endm

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
        addl    4*\j(%rbp), \h
        addl    \gg, \h
        addl    %ebx, \h
        addl    4*(68+\j)(%rbp), \d
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

// rsi = the buffer not being read.
.macro OTHER_BUFFER
        leaq    BUF0(%rsp), %rsi
        subq    %rbp, %rsi
        leaq    BUF1(%rsp,%rsi), %rsi
.endm

// W_0..W_15 (and W'_0..W'_11) of the block at DATA.
.macro EXPAND_LOAD
        movq    DATA(%rsp), %rsi
        vmovdqu (%rsi), %xmm0
        vmovdqu 16(%rsi), %xmm1
        vmovdqu 32(%rsi), %xmm2
        vmovdqu 48(%rsi), %xmm3
        vpshufb %xmm15, %xmm0, %xmm0
        vpshufb %xmm15, %xmm1, %xmm1
        vpshufb %xmm15, %xmm2, %xmm2
        vpshufb %xmm15, %xmm3, %xmm3
        OTHER_BUFFER
        vmovdqu %xmm0, 0(%rsi)
        vmovdqu %xmm1, 16(%rsi)
        vmovdqu %xmm2, 32(%rsi)
        vmovdqu %xmm3, 48(%rsi)
        vpxor   %xmm1, %xmm0, %xmm4
        vpxor   %xmm2, %xmm1, %xmm5
        vpxor   %xmm3, %xmm2, %xmm6
        vmovdqu %xmm4, 4*68(%rsi)
        vmovdqu %xmm5, 4*72(%rsi)
        vmovdqu %xmm6, 4*76(%rsi)
.endm

// W_k..W_{k+3} from g0..g3 = W_{k-16}..W_{k-1} (into g0's register), and
// W'_{k-4}..W'_{k-1}. Lane 3 first misses the term (W_k <<< 15) inside P1;
// P1 is linear, so P1 of that term is added afterwards.
.macro EXPAND_GROUP k, g0, g1, g2, g3
        vpalignr $12, \g1, \g2, %xmm4           // W_{k-9}..
        vpalignr $12, \g0, \g1, %xmm5           // W_{k-13}..
        vpalignr $8, \g2, \g3, %xmm6            // W_{k-6}..
        vpsrldq $4, \g3, %xmm7                  // W_{k-3}.., 0
        vprold  $15, %xmm7, %xmm7
        vpternlogd $0x96, %xmm7, %xmm4, \g0
        vprold  $15, \g0, %xmm8
        vprold  $23, \g0, %xmm9
        vpternlogd $0x96, %xmm9, %xmm8, \g0
        vprold  $7, %xmm5, %xmm5
        vpternlogd $0x96, %xmm6, %xmm5, \g0
        vpslldq $12, \g0, %xmm7
        vprold  $15, %xmm7, %xmm7
        vprold  $15, %xmm7, %xmm8
        vprold  $23, %xmm7, %xmm9
        vpternlogd $0x96, %xmm9, %xmm8, %xmm7
        vpxor   %xmm7, \g0, \g0
        OTHER_BUFFER
        vmovdqu \g0, 4*\k(%rsi)
        vpxor   \g0, \g3, %xmm4
        vmovdqu %xmm4, 4*(68+\k-4)(%rsi)
.endm

OrvaneSm3CompressAvx512:
        testq   %rdx, %rdx
        jz      .Lreturn
        pushq   %rbx
        pushq   %rbp
        pushq   %r12
        pushq   %r13
        pushq   %r14
        pushq   %r15
        subq    $FRAME, %rsp
        movq    %rdi, STATE(%rsp)
        movq    %rdx, LEFT(%rsp)
        movq    %rsi, DATA(%rsp)
        vmovdqa .Lbswap(%rip), %xmm15
        // The first block's expansion, alone.
        leaq    BUF1(%rsp), %rbp
        EXPAND_LOAD
        EXPAND_GROUP 16, %xmm0, %xmm1, %xmm2, %xmm3
        EXPAND_GROUP 20, %xmm1, %xmm2, %xmm3, %xmm0
        EXPAND_GROUP 24, %xmm2, %xmm3, %xmm0, %xmm1
        EXPAND_GROUP 28, %xmm3, %xmm0, %xmm1, %xmm2
        EXPAND_GROUP 32, %xmm0, %xmm1, %xmm2, %xmm3
        EXPAND_GROUP 36, %xmm1, %xmm2, %xmm3, %xmm0
        EXPAND_GROUP 40, %xmm2, %xmm3, %xmm0, %xmm1
        EXPAND_GROUP 44, %xmm3, %xmm0, %xmm1, %xmm2
        EXPAND_GROUP 48, %xmm0, %xmm1, %xmm2, %xmm3
        EXPAND_GROUP 52, %xmm1, %xmm2, %xmm3, %xmm0
        EXPAND_GROUP 56, %xmm2, %xmm3, %xmm0, %xmm1
        EXPAND_GROUP 60, %xmm3, %xmm0, %xmm1, %xmm2
        EXPAND_GROUP 64, %xmm0, %xmm1, %xmm2, %xmm3
        leaq    BUF0(%rsp), %rbp
        FROM_WORDS movl, 0, %rdi

.Lblock:
        TO_WORDS movl, WORDS, %rsp
        // The block to expand meanwhile: the next one, or for the last
        // block this one again (expanded for nothing, but never read past
        // the input).
        movq    DATA(%rsp), %rax
        leaq    64(%rax), %rcx
        cmpq    $1, LEFT(%rsp)
        cmova   %rcx, %rax
        movq    %rax, DATA(%rsp)
        ROUND_LOW 0, 2043430169, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 1, -208106958, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_LOAD
        ROUND_LOW 2, -416213915, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 3, -832427829, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 4, -1664855657, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 5, 965255983, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 16, %xmm0, %xmm1, %xmm2, %xmm3
        ROUND_LOW 6, 1930511966, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 7, -433943364, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 8, -867886727, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 9, -1735773453, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 20, %xmm1, %xmm2, %xmm3, %xmm0
        ROUND_LOW 10, 823420391, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 11, 1646840782, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_LOW 12, -1001285732, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_LOW 13, -2002571463, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 24, %xmm2, %xmm3, %xmm0, %xmm1
        ROUND_LOW 14, 289824371, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_LOW 15, 579648742, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 16, -1651869049, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 17, 991229199, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 28, %xmm3, %xmm0, %xmm1, %xmm2
        ROUND_HIGH 18, 1982458398, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 19, -330050500, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 20, -660100999, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 21, -1320201997, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 32, %xmm0, %xmm1, %xmm2, %xmm3
        ROUND_HIGH 22, 1654563303, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 23, -985840690, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 24, -1971681379, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 25, 351604539, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 36, %xmm1, %xmm2, %xmm3, %xmm0
        ROUND_HIGH 26, 703209078, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 27, 1406418156, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 28, -1482130984, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 29, 1330705329, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 40, %xmm2, %xmm3, %xmm0, %xmm1
        ROUND_HIGH 30, -1633556638, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 31, 1027854021, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 32, 2055708042, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 33, -183551212, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 44, %xmm3, %xmm0, %xmm1, %xmm2
        ROUND_HIGH 34, -367102423, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 35, -734204845, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 36, -1468409689, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 37, 1358147919, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 48, %xmm0, %xmm1, %xmm2, %xmm3
        ROUND_HIGH 38, -1578671458, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 39, 1137624381, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 40, -2019718534, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 41, 255530229, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 52, %xmm1, %xmm2, %xmm3, %xmm0
        ROUND_HIGH 42, 511060458, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 43, 1022120916, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 44, 2044241832, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 45, -206483632, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 56, %xmm2, %xmm3, %xmm0, %xmm1
        ROUND_HIGH 46, -412967263, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 47, -825934525, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 48, -1651869049, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 49, 991229199, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 60, %xmm3, %xmm0, %xmm1, %xmm2
        ROUND_HIGH 50, 1982458398, %r10d, %r11d, %r8d, %r9d, %r14d, %r15d, %r12d, %r13d
        ROUND_HIGH 51, -330050500, %r9d, %r10d, %r11d, %r8d, %r13d, %r14d, %r15d, %r12d
        ROUND_HIGH 52, -660100999, %r8d, %r9d, %r10d, %r11d, %r12d, %r13d, %r14d, %r15d
        ROUND_HIGH 53, -1320201997, %r11d, %r8d, %r9d, %r10d, %r15d, %r12d, %r13d, %r14d
        EXPAND_GROUP 64, %xmm0, %xmm1, %xmm2, %xmm3
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
        FROM_WORDS xorl, WORDS, %rsp
        OTHER_BUFFER
        movq    %rsi, %rbp
        decq    LEFT(%rsp)
        jnz     .Lblock

        movq    STATE(%rsp), %rdi
        TO_WORDS movl, 0, %rdi
        // The buffers hold message words: leave none on the stack.
        vpxor   %xmm0, %xmm0, %xmm0
        leaq    BUF0(%rsp), %rdi
        movl    $2 * 576 / 16, %ecx
.Lwipe:
        vmovdqu %xmm0, (%rdi)
        addq    $16, %rdi
        decl    %ecx
        jnz     .Lwipe
        vpxor   %xmm1, %xmm1, %xmm1
        vpxor   %xmm2, %xmm2, %xmm2
        vpxor   %xmm3, %xmm3, %xmm3
        addq    $FRAME, %rsp
        popq    %r15
        popq    %r14
        popq    %r13
        popq    %r12
        popq    %rbp
        popq    %rbx
.Lreturn:
        ret
        .size   OrvaneSm3CompressAvx512, .-OrvaneSm3CompressAvx512

        .section .note.GNU-stack,"",@progbits
