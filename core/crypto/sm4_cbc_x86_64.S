// SM4 CBC encryption for x86-64 with BMI1.
//
// void OrvaneSm4CbcEncryptX86_64(const uint64_t rk[32], size_t blocks,
//                                uint8_t iv[16], const uint8_t* in,
//                                uint8_t* out, const uint64_t* tables);
//
// CBC encryption is one serial chain, so its speed is the latency of a
// round. A round forms the next input t' = c ^ T(t), c known early, from
// four table lookups indexed by the bytes of t. Every 32-bit word w is
// carried as the 64-bit value (w << 32) | byte2(w); XOR keeps that form, the
// tables and round keys (rk, from sm4_cbc_x86_64.cpp) are stored in it, so
// the low half of t is byte 2 of t, ready as an index with no extraction
// (a 32-bit register move, which the renamer eliminates). Bytes 0, 1 and 3
// take one instruction each (BEXTR, BEXTR, SHR). The byte-2 lookup thus
// starts one cycle early and the five-term XOR of the round finishes one
// level sooner: a round costs one indexed load, one extraction and two XOR
// levels.
//
// tables[256 * k + x] is the widened T-table word for byte k of t (k = 0
// lowest).
//
// Registers: rdi round keys, r9 tables, r8 input, r10-r13 the four state
// words (rotating roles), rax t, rdx c, rbp/rsi/rcx byte 2/0/1 of t,
// r14/r15 BEXTR controls for bytes 0 and 1.

        .text
        .globl  OrvaneSm4CbcEncryptX86_64
        .hidden OrvaneSm4CbcEncryptX86_64
        .type   OrvaneSm4CbcEncryptX86_64, @function

// Round i: xa holds X_i and receives X_{i+4}; c = X_i ^ X_{i+2} ^ X_{i+3} ^
// rk[i+1] is formed from e1, e2, rk and late, in that order (late is the
// word that is ready last). t is in rax and leaves as t'.
.macro ROUND i, xa, e1, e2, late
        movq    \e1, %rdx
        xorq    \e2, %rdx
        xorq    8*(\i+1)(%rdi), %rdx
        xorq    \late, %rdx
        xorq    %rdx, \xa
        LOOKUPS %rdx
        xorq    %rax, \xa
.endm

// acc ^= T(t) for t in rax; rax is consumed and ends holding acc.
.macro LOOKUPS acc
        movl    %eax, %ebp
        bextrq  %r14, %rax, %rsi
        bextrq  %r15, %rax, %rcx
        shrq    $56, %rax
        xorq    4096(%r9,%rbp,8), \acc
        xorq    (%r9,%rsi,8), \acc
        movq    6144(%r9,%rax,8), %rax
        xorq    2048(%r9,%rcx,8), %rax
        xorq    \acc, %rax
.endm

// dst = widened big-endian word at off(src).
.macro LOAD_WORD dst, dst32, off, src
        movl    \off(\src), \dst32
        bswap   \dst32
        movl    \dst32, %ebp
        shrl    $16, %ebp
        movzbl  %bpl, %ebp
        shlq    $32, \dst
        orq     %rbp, \dst
.endm

.macro STORE_WORD src, off, dst
        movq    \src, %rbp
        shrq    $32, %rbp
        bswap   %ebp
        movl    %ebp, \off(\dst)
.endm

// The last block's words X_35, X_34, X_33, X_32 (r13 ... r10) to dst.
.macro STORE_BLOCK dst
        STORE_WORD %r13, 0, \dst
        STORE_WORD %r12, 4, \dst
        STORE_WORD %r11, 8, \dst
        STORE_WORD %r10, 12, \dst
.endm

OrvaneSm4CbcEncryptX86_64:
        pushq   %rbx
        pushq   %rbp
        pushq   %r12
        pushq   %r13
        pushq   %r14
        pushq   %r15
        subq    $24, %rsp
        movq    %r8, 0(%rsp)            // out
        movq    %rsi, 8(%rsp)           // blocks left
        movq    %rdx, 16(%rsp)          // iv
        movq    %rcx, %r8               // in
        movl    $0x0820, %r14d          // 8 bits from bit 32: byte 0
        movl    $0x0828, %r15d          // 8 bits from bit 40: byte 1
        // The chaining value sits where a block's ciphertext words end up:
        // word 0 in r13 ... word 3 in r10.
        LOAD_WORD %r13, %r13d, 0, %rdx
        LOAD_WORD %r12, %r12d, 4, %rdx
        LOAD_WORD %r11, %r11d, 8, %rdx
        LOAD_WORD %r10, %r10d, 12, %rdx
        testq   %rsi, %rsi
        jz      .Ldone

.Lblock:
        // X_0..X_3 = plaintext ^ chaining value. The first input needs only
        // X_1..X_3, so it does not wait for the last word of the previous
        // block (r13), which round 0 takes in last.
        LOAD_WORD %rbx, %ebx, 12, %r8
        LOAD_WORD %rcx, %ecx, 8, %r8
        LOAD_WORD %rsi, %esi, 4, %r8
        LOAD_WORD %rdx, %edx, 0, %r8
        xorq    %r10, %rbx
        xorq    %r11, %rcx
        xorq    %r12, %rsi
        xorq    %r13, %rdx
        movq    %rdx, %r10
        movq    %rsi, %r11
        movq    %rcx, %r12
        movq    %rbx, %r13
        movq    (%rdi), %rax
        xorq    %rbx, %rax
        xorq    %rcx, %rax
        xorq    %rsi, %rax
        ROUND   0, %r10, %r12, %r13, %r10
        ROUND   1, %r11, %r13, %r11, %r10
        ROUND   2, %r12, %r10, %r12, %r11
        ROUND   3, %r13, %r11, %r13, %r12
        .irp    i, 4, 8, 12, 16, 20, 24, 28
        ROUND   \i,   %r10, %r12, %r10, %r13
        ROUND   \i+1, %r11, %r13, %r11, %r10
        ROUND   \i+2, %r12, %r10, %r12, %r11
        .if \i < 28
        ROUND   \i+3, %r13, %r11, %r13, %r12
        .endif
        .endr
        // Round 31 has no next input: X_35 = X_31 ^ T(t_31).
        LOOKUPS %r13
        movq    %rax, %r13

        movq    0(%rsp), %rdx
        STORE_BLOCK %rdx
        addq    $16, %rdx
        movq    %rdx, 0(%rsp)
        addq    $16, %r8
        decq    8(%rsp)
        jnz     .Lblock

.Ldone:
        movq    16(%rsp), %rdx          // the chaining value out
        STORE_BLOCK %rdx
        addq    $24, %rsp
        popq    %r15
        popq    %r14
        popq    %r13
        popq    %r12
        popq    %rbp
        popq    %rbx
        ret
        .size   OrvaneSm4CbcEncryptX86_64, .-OrvaneSm4CbcEncryptX86_64

        .section .note.GNU-stack,"",@progbits
