/* Dispatch entry and stack-checked call of declared functions (i686, PE/COFF,
 * AT&T syntax). The contracts are in dll_call_win32.h. C symbols carry the
 * leading underscore of 32-bit Windows. Both routines have call-frame
 * information, so a runtime error raised below them (a test's hook throws) can
 * unwind through them. No string instructions are used, so the direction flag
 * is never changed here. */

    .text

/* void vantor_dll_dispatch(void)
 * Stack at entry: [esp] return address, [esp+4] index, [esp+8...] arguments. */
    .globl  _vantor_dll_dispatch
    .def    _vantor_dll_dispatch; .scl 2; .type 32; .endef
    .p2align 4
_vantor_dll_dispatch:
    .cfi_startproc
    /* Fast path: one bounds check, one table read, one indirect jump. */
    movl    _vantor_dll_active_tables, %edx
    movl    4(%esp), %eax               /* index */
    cmpl    (%edx), %eax                /* DllTables::count */
    jae     .Lresolve
    movl    16(%edx), %edx              /* DllTables::addresses */
    movl    (%edx,%eax,4), %edx
    testl   %edx, %edx
    jz      .Lresolve
.Ljump:
    /* Drop the index: the return address moves up into its slot, so the
     * function sees the arguments exactly as if called directly. */
    popl    %ecx
    movl    %ecx, (%esp)
    jmp     *%edx

.Lresolve:
    /* First call: the compiled resolver runs on a 16-byte aligned stack with
     * the direction flag clear, as compiled code may assume. It raises the
     * runtime error instead of returning null. */
    pushl   %ebp
    .cfi_adjust_cfa_offset 4
    .cfi_offset %ebp, -8
    movl    %esp, %ebp
    .cfi_def_cfa_register %ebp
    andl    $-16, %esp
    subl    $12, %esp
    pushl   %eax
    cld
    call    _vantor_dll_resolve
    movl    %eax, %edx
    movl    %ebp, %esp
    popl    %ebp
    .cfi_def_cfa %esp, 4
    .cfi_restore %ebp
    jmp     .Ljump
    .cfi_endproc

/* uint32_t vantor_call_declared(uint32_t index, uint32_t argc, const uint32_t* args)
 * cdecl. ebx holds the noted stack pointer across the call: the called
 * function must preserve it whatever its argument count, so the stack can be
 * restored even when the function removed the wrong number of bytes. */
    .globl  _vantor_call_declared
    .def    _vantor_call_declared; .scl 2; .type 32; .endef
    .p2align 4
_vantor_call_declared:
    .cfi_startproc
    pushl   %ebp
    .cfi_adjust_cfa_offset 4
    .cfi_offset %ebp, -8
    movl    %esp, %ebp
    .cfi_def_cfa_register %ebp
    pushl   %ebx
    .cfi_offset %ebx, -12
    pushl   %esi
    .cfi_offset %esi, -16
    pushl   %edi
    .cfi_offset %edi, -20

    movl    12(%ebp), %ecx              /* argc */
    movl    16(%ebp), %esi              /* args */
    movl    %esp, %ebx                  /* (1) note the stack position */
    testl   %ecx, %ecx
    jz      2f
1:  pushl   -4(%esi,%ecx,4)             /* (2) last argument first */
    decl    %ecx
    jnz     1b
2:  pushl   8(%ebp)                     /* (3) the index, for the dispatch entry */
    call    _vantor_dll_dispatch
    cmpl    %ebx, %esp                  /* (4) compare */
    jne     .Lunbalanced

    popl    %edi
    popl    %esi
    popl    %ebx
    .cfi_remember_state
    popl    %ebp
    .cfi_def_cfa %esp, 4
    .cfi_restore %ebp
    ret                                 /* (5) the result is in eax */

.Lunbalanced:
    .cfi_restore_state
    /* Back to the noted position first: the error reporter then runs on this
     * frame with the saved registers intact, and a test's hook can unwind. */
    movl    %ebx, %esp
    andl    $-16, %esp
    call    _vantor_dll_stack_error
    ud2                                 /* the error path does not return */
    .cfi_endproc
